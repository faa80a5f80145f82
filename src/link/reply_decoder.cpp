#include "link/reply_decoder.h"

#include <span>

#include "link/address_scan.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"
#include "link/upload_blocks.h"
#include "link/wire_values.h"

namespace corvane {
namespace {

constexpr int kCompletedHoldTicks = 40;

void DecodeMeasurement(SharedRecords& r) {
    const std::span<const std::uint8_t> f(Machine(r).Link.RxFrame);
    SensorData& s = r.Sensor;
    s.CondRaw = GetS16(f, 2) * 0.1;
    s.CondComp = GetS16(f, 4) * 0.1;
    s.Temperature = GetS16(f, 6) * 0.01;
    s.Concentration = GetS16(f, 8) * 0.01;
    s.Out1Current = GetU16(f, 10) * 0.001;
    s.Out2Current = GetU16(f, 12) * 0.001;
    ApplyDeviceStatus(r.Slots, f.subspan<14, 5>());
}

void DecodeUploadBlock(SharedRecords& r) {
    r.Slots.Set(line::kReceivingDataBlock, line::ReceivingDataBlock(Machine(r).UploadBlock + 1));
    if (Machine(r).UploadBlock < 0 || Machine(r).UploadBlock >= kUploadBlockCount) {
        return;
    }
    Machine(r).UploadFailedBlock = -1;
    Machine(r).UploadFailedAttempts = 0;
    DecodeDataBlock(
        r.Sensor, Machine(r).UploadBlock,
        std::span<const std::uint8_t>(Machine(r).Link.RxFrame).subspan<2, kDataBlockSize>());
    if (Machine(r).UploadBlock < kUploadBlockCount - 1) {
        ++Machine(r).UploadBlock;
        Machine(r).Queue.Queue(ReadDataBlock);
    } else {
        Machine(r).UploadBlock = kUploadFinished;
        r.Slots.Clear(line::kReceivingDataBlock);
    }
}

// The reply to an install (0x73) or upgrade (0x74) stamp: the sensor echoes the function code in
// byte 2 when it returns its software issue in bytes 3..5.
void DecodeStampReply(SharedRecords& r, int function) {
    const auto& f = Machine(r).Link.RxFrame;
    if (f[2] == function) {
        const std::string issue = IssueNumberText(f[3], f[4], f[5]);
        if (function == fn::kInstallStamp) {
            r.Sensor.InstallIssue = issue;
        }
        r.Sensor.UpgradeIssue = issue;
        Machine(r).Download.DownloadOrigin = DownloadOrigin::None;
    }
    r.Slots.Clear(line::kIssueNotReturned);
    Machine(r).Queue.Withdraw(function == fn::kInstallStamp ? StampInstall : StampUpgrade);
    Machine(r).Engine.StampRetries = 0;
    Machine(r).Download.DownloadOrigin = DownloadOrigin::StampAnswered;
}

bool ReportsCompletion(int function) {
    switch (function) {
        case 0:
        case fn::kPoll:
        case fn::kDataBlock:
        case fn::kRequestDownload:
        case fn::kFlashBlock:
        case fn::kFinishDownload:
        case fn::kInstallStamp:
        case fn::kUpgradeStamp: return false;
        default: return true;
    }
}

}  // namespace

void DecodeReply(SharedRecords& r, DownloadReplyHandler* downloadReplies) {
    const int function = Machine(r).Link.RequestFunction;
    switch (function) {
        case 0: break;
        case fn::kProbe:
            Machine(r).Engine.SensorAnswering = false;
            if (Machine(r).ScanState == ScanState::ProbeOutstanding) {
                Machine(r).ScanState = ScanState::Found;
            }
            break;
        case fn::kPoll:
            Machine(r).Engine.SensorAnswering = true;
            DecodeMeasurement(r);
            if (r.Sensor.ChannelSwitch == ChannelSwitch::Switched) {
                r.Sensor.ChannelSwitch = ChannelSwitch::Answered;
            }
            break;
        case fn::kDigitalSetup:
            r.Sensor.TempCompSlope = GetS16(Machine(r).Link.RxFrame, 2) * 0.01;
            break;
        case fn::kDataBlock:
            Machine(r).Engine.SensorAnswering = false;
            DecodeUploadBlock(r);
            break;
        case fn::kRequestDownload:
        case fn::kBlockCount:
        case fn::kFlashBlock:
        case fn::kFinishDownload:
            if (downloadReplies != nullptr) {
                downloadReplies->OnDownloadReply(r, function);
            }
            break;
        case fn::kInstallStamp:
        case fn::kUpgradeStamp: DecodeStampReply(r, function); break;
        case fn::kChangeAddress:
            Machine(r).ScanState = ScanState::Finished;
            r.Sensor.DeviceId = r.Sensor.NewDeviceId;
            r.Sensor.LastDeviceId = r.Sensor.NewDeviceId;
            break;
        default: Machine(r).Engine.SensorAnswering = false; break;
    }
    if (ReportsCompletion(function)) {
        r.Slots.Set(line::kFunctionCompleted, line::FunctionCompleted(function));
        Machine(r).Engine.CompletedHold = kCompletedHoldTicks;
    }
    Machine(r).Engine.CurrentCommand = 0;
}

void HandleRejectedReply(SharedRecords& r, RejectedReply how) {
    LinkMachine& m = Machine(r);
    switch (r.Link().RequestFunction) {
        case fn::kDataBlock:
            if (how == RejectedReply::Exception) break;  // refused: the read ends here
            if (m.UploadFailedBlock != m.UploadBlock) {
                m.UploadFailedBlock = m.UploadBlock;
                m.UploadFailedAttempts = 0;
            }
            if (++m.UploadFailedAttempts < kUploadBlockAttempts) {
                m.Queue.Queue(ReadDataBlock);
            } else {
                m.UploadFailedBlock = -1;
                m.UploadFailedAttempts = 0;
                r.Slots.Clear(line::kReceivingDataBlock);
            }
            break;
        case fn::kProbe:
            if (m.ScanState == ScanState::ProbeOutstanding) m.ScanState = ScanState::ProbeTimedOut;
            break;
        case fn::kPoll:
            if (r.Sensor.ChannelSwitch == ChannelSwitch::Switched) {
                r.Sensor.ChannelSwitch = ChannelSwitch::Rejected;
            }
            break;
        default: break;
    }
}

}  // namespace corvane
