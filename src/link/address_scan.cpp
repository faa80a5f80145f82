#include "link/address_scan.h"

#include <string>

#include "framework/operator_prompts.h"
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

// The scan's lines; `keep` is the one being written.
void ClearScanLinesExcept(MessageSlots& slots, int keep) {
    for (int n = line::kScanLines.first; n <= line::kScanLines.last; ++n) {
        if (n != keep) {
            slots.Clear(n);
        }
    }
}

void ProbeNextAddress(SharedRecords& r) {
    r.Sensor.DeviceId = NextAddress(r.Sensor.DeviceId, r.ScanDirection);
    r.Queue.Queue(ProbeDeviceId);
}

void AskOperator(SharedRecords& r, fw::OperatorPrompts& prompts, fw::BoxRequest box,
                 void (*onAnswer)(SharedRecords&, fw::Answer)) {
    r.ScanState = ScanState::AwaitingOperator;
    r.Slots.Clear(line::kLinkLines);
    ClearScanLinesExcept(r.Slots, line::kWaitingForUser.number);
    r.Slots.Show(line::kWaitingForUser);
    prompts.PlayBeep(fw::Beep::Question);
    prompts.PostBox(std::move(box), [&r, onAnswer](fw::Answer answer) { onAnswer(r, answer); });
}

void OnSearchAgainAnswer(SharedRecords& r, fw::Answer answer) {
    r.ScanState = answer == fw::Answer::Yes ? ScanState::StartSearch : ScanState::Restore;
}

void OnDeviceFoundAnswer(SharedRecords& r, fw::Answer answer) {
    switch (answer) {
        case fw::Answer::Yes: r.ScanState = ScanState::Accepted; break;
        case fw::Answer::No: r.ScanState = ScanState::StartSearch; break;
        default: r.ScanState = ScanState::Restore; break;
    }
}

}  // namespace

void RunScanStep(SharedRecords& r, fw::OperatorPrompts& prompts) {
    SensorData& s = r.Sensor;
    switch (r.ScanState) {
        case ScanState::ChangeAddress:
            r.Slots.Set(line::kSettingNewId, line::SettingNewId(s.NewDeviceId));
            ClearScanLinesExcept(r.Slots, line::kSettingNewId);
            r.Queue.Queue(ChangeDeviceId);
            r.ScanState = ScanState::ChangeSent;
            break;
        case ScanState::StartSearch:
            s.LastDeviceId = s.DeviceId;
            ProbeNextAddress(r);
            ClearReadings(r);
            r.Slots.Set(line::kStartScan, line::StartScan(s.DeviceId));
            ClearScanLinesExcept(r.Slots, line::kStartScan);
            r.ScanState = ScanState::ProbeOutstanding;
            break;
        case ScanState::ProbeTimedOut:
            if (s.DeviceId != s.LastDeviceId) {
                ProbeNextAddress(r);
                r.Slots.Set(line::kScanningId, line::ScanningId(s.DeviceId));
                ClearScanLinesExcept(r.Slots, line::kScanningId);
                r.ScanState = ScanState::ProbeOutstanding;
            } else {
                AskOperator(r, prompts,
                            {"Do You Want To Search Again ?", "No Vexor Sensor Detected",
                             fw::Icon::Question, fw::Buttons::YesNo},
                            OnSearchAgainAnswer);
            }
            break;
        case ScanState::Found:
            AskOperator(r, prompts,
                        {"Device Found At ID " + std::to_string(s.DeviceId),
                         "Use This Modbus Device ?", fw::Icon::Question, fw::Buttons::YesNoCancel},
                        OnDeviceFoundAnswer);
            break;
        case ScanState::Accepted:
            s.NewDeviceId = s.DeviceId;
            s.LastDeviceId = s.DeviceId;
            r.Slots.Set(line::kSettingNewId, line::SettingNewId(s.DeviceId));
            ClearScanLinesExcept(r.Slots, line::kSettingNewId);
            r.ScanState = ScanState::Finished;
            break;
        case ScanState::Restore:
            s.DeviceId = s.LastDeviceId;
            r.Slots.Set(line::kRestoreLastId, line::RestoreLastId(s.DeviceId));
            ClearScanLinesExcept(r.Slots, line::kRestoreLastId);
            r.ScanState = ScanState::Finished;
            break;
        case ScanState::SettingsApplied: r.ScanState = ScanState::Finished; break;
        case ScanState::AwaitingOperator:
        case ScanState::ProbeOutstanding: r.Slots.Clear(line::kLinkLines); break;
        default:  // idle, finished, change sent: nothing to do
            break;
    }
}

}  // namespace corvane
