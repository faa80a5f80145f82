#include "link/forced_outputs.h"

#include "link/command_table.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

constexpr int kOutput1Bit = 0x40;
constexpr int kOutput2Bit = 0x80;
constexpr int kCurrentBits = 0x3F;

}  // namespace

void ForceOutput(SharedRecords& records, SensorLink& link, int output, int mA) {
    ServiceRequests& svc = records.Service;
    const int code = mA & kCurrentBits;
    if (output == 1) {
        svc.TestCurrent1 = mA;
        svc.TestOut1Display = mA;
        svc.TestCode1 = code | kOutput1Bit;
        svc.Output1Forced = true;
        link.Queue(TestOutput1);
    } else {
        svc.TestCurrent2 = mA;
        svc.TestOut2Display = mA;
        svc.TestCode2 = code | kOutput2Bit;
        svc.Output2Forced = true;
        link.Queue(TestOutput2);
    }
    // The output calibration point is the current both outputs were forced to; forcing one
    // output to another current means that point is no longer what the sensor drives.
    svc.CalOutputPoint = 0;
}

void ForceBothOutputs(SharedRecords& records, SensorLink& link, int mA) {
    ServiceRequests& svc = records.Service;
    svc.TestCurrent1 = mA;
    svc.TestCurrent2 = mA;
    svc.TestOut1Display = mA;
    svc.TestOut2Display = mA;
    svc.TestCodeBoth = kOutput1Bit | kOutput2Bit | (mA & kCurrentBits);
    svc.Output1Forced = true;
    svc.Output2Forced = true;
    link.Queue(TestBothOutputs);
}

void ReturnOutputsToNormal(SharedRecords& records, SensorLink& link) {
    ServiceRequests& svc = records.Service;
    svc.TestOut1Display = records.Sensor.Out1Current;
    svc.TestOut2Display = records.Sensor.Out2Current;
    svc.TestCurrent1 = 0;
    svc.TestCurrent2 = 0;
    svc.TestCode1 = 0;
    svc.TestCode2 = 0;
    svc.TestCodeBoth = 0;
    svc.CalOutputPoint = 0;
    svc.Output1Forced = false;
    svc.Output2Forced = false;
    link.Withdraw(TestOutput1);
    link.Withdraw(TestOutput2);
    link.Queue(TestBothOutputs);
}

bool BothOutputsCommandUnderway(const SharedRecords& records) {
    return records.Queue().IsPending(TestBothOutputs) ||
           records.Engine().CurrentCommand == TestBothOutputs;
}

bool OutputsLeftForced(const SharedRecords& records) {
    return records.Service.Output1Forced || records.Service.Output2Forced ||
           BothOutputsCommandUnderway(records);
}

}  // namespace corvane
