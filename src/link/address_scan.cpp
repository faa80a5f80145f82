#include "link/address_scan.h"

#include <string>

#include "framework/host.h"
#include "link/command_table.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

constexpr int kHighestAddress = 247;

// The next address in the scan direction, wrapping from 247 to 0 and from below 0 to 247; an
// address outside that range (a damaged state file) wraps the same way.
int NextAddress(int id, int direction) {
    const long long next = static_cast<long long>(id) + (direction == 1 ? -1 : 1);
    if (next > kHighestAddress) return 0;
    if (next < 0) return kHighestAddress;
    return static_cast<int>(next);
}

// Lines 41..45 belong to the scan; `keep` is the one being written.
void ClearScanLinesExcept(MessageSlots& slots, int keep) {
    for (int n = 41; n <= 45; ++n) {
        if (n != keep) {
            slots.Clear(n);
        }
    }
}

void ProbeNextAddress(SharedRecords& r) {
    r.Sensor.DeviceId = NextAddress(r.Sensor.DeviceId, r.ScanDirection);
    r.Queue.Queue(ProbeDeviceId);
}

void AskOperator(SharedRecords& r, fw::Host& host, fw::BoxRequest box,
                 void (*onAnswer)(SharedRecords&, fw::Answer)) {
    r.ScanState = scan::kAwaitingOperator;
    r.Slots.ClearRange(1, 4);
    r.Slots.ClearRange(41, 44);
    r.Slots.Set(45, "Msg 45.. Waiting for User Input");
    host.PlayBeep(fw::Beep::Question);
    host.PostBox(std::move(box), [&r, onAnswer](fw::Answer answer) { onAnswer(r, answer); });
}

void OnSearchAgainAnswer(SharedRecords& r, fw::Answer answer) {
    r.ScanState = answer == fw::Answer::Yes ? scan::kStartSearch : scan::kRestore;
}

void OnDeviceFoundAnswer(SharedRecords& r, fw::Answer answer) {
    switch (answer) {
        case fw::Answer::Yes: r.ScanState = scan::kAccepted; break;
        case fw::Answer::No: r.ScanState = scan::kStartSearch; break;
        default: r.ScanState = scan::kRestore; break;
    }
}

}  // namespace

void RunScanStep(SharedRecords& r, fw::Host& host) {
    SensorData& s = r.Sensor;
    switch (r.ScanState) {
        case scan::kChangeAddress:
            r.Slots.Set(41, "Msg 41..Setting New Modbus ID " + std::to_string(s.NewDeviceId));
            ClearScanLinesExcept(r.Slots, 41);
            r.Queue.Queue(ChangeDeviceId);
            r.ScanState = scan::kChangeSent;
            break;
        case scan::kStartSearch:
            s.LastDeviceId = s.DeviceId;
            ProbeNextAddress(r);
            ClearReadings(r);
            r.Slots.Set(42, "Msg 42..Start Modbus Scan ID " + std::to_string(s.DeviceId));
            ClearScanLinesExcept(r.Slots, 42);
            r.ScanState = scan::kProbeOutstanding;
            break;
        case scan::kProbeTimedOut:
            if (s.DeviceId != s.LastDeviceId) {
                ProbeNextAddress(r);
                r.Slots.Set(44, "Msg 44.. Scanning Modbus Device ID " + std::to_string(s.DeviceId));
                ClearScanLinesExcept(r.Slots, 44);
                r.ScanState = scan::kProbeOutstanding;
            } else {
                AskOperator(r, host,
                            {"Do You Want To Search Again ?", "No Vexor Sensor Detected",
                             fw::Icon::Question, fw::Buttons::YesNo},
                            OnSearchAgainAnswer);
            }
            break;
        case scan::kFound:
            AskOperator(r, host,
                        {"Device Found At ID " + std::to_string(s.DeviceId),
                         "Use This Modbus Device ?", fw::Icon::Question, fw::Buttons::YesNoCancel},
                        OnDeviceFoundAnswer);
            break;
        case scan::kAccepted:
            s.NewDeviceId = s.DeviceId;
            s.LastDeviceId = s.DeviceId;
            r.Slots.Set(41, "Msg 41..Setting New Modbus ID " + std::to_string(s.DeviceId));
            ClearScanLinesExcept(r.Slots, 41);
            r.ScanState = scan::kFinished;
            break;
        case scan::kRestore:
            s.DeviceId = s.LastDeviceId;
            r.Slots.Set(43, "Msg 43..Restore Last Modbus ID " + std::to_string(s.DeviceId));
            ClearScanLinesExcept(r.Slots, 43);
            r.ScanState = scan::kFinished;
            break;
        case scan::kSettingsApplied: r.ScanState = scan::kFinished; break;
        case scan::kAwaitingOperator:
        case scan::kProbeOutstanding: r.Slots.ClearRange(1, 4); break;
        default:  // idle, finished, change sent: nothing to do
            break;
    }
}

}  // namespace corvane
