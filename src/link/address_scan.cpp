#include "link/address_scan.h"

#include <string>

#include "framework/operator_prompts.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
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
    r.Sensor.DeviceId = NextAddress(r.Sensor.DeviceId, Machine(r).ScanDirection);
    Machine(r).Queue.Queue(ProbeDeviceId);
}

void AskOperator(SharedRecords& r, fw::OperatorPrompts& prompts, fw::BoxRequest box,
                 void (*onAnswer)(SharedRecords&, fw::Answer)) {
    Machine(r).ScanState = ScanState::AwaitingOperator;
    r.Slots.Clear(line::kLinkLines);
    ClearScanLinesExcept(r.Slots, line::kWaitingForUser.number);
    r.Slots.Show(line::kWaitingForUser);
    prompts.PlayBeep(fw::Beep::Question);
    prompts.PostBox(std::move(box), [&r, onAnswer](fw::Answer answer) { onAnswer(r, answer); });
}

void OnSearchAgainAnswer(SharedRecords& r, fw::Answer answer) {
    Machine(r).ScanState = answer == fw::Answer::Yes ? ScanState::StartSearch : ScanState::Restore;
}

void OnDeviceFoundAnswer(SharedRecords& r, fw::Answer answer) {
    switch (answer) {
        case fw::Answer::Yes: Machine(r).ScanState = ScanState::Accepted; break;
        case fw::Answer::No: Machine(r).ScanState = ScanState::StartSearch; break;
        default: Machine(r).ScanState = ScanState::Restore; break;
    }
}

}  // namespace

void RunScanStep(SharedRecords& r, fw::OperatorPrompts& prompts) {
    SensorData& s = r.Sensor;
    switch (Machine(r).ScanState) {
        case ScanState::ChangeAddress:
            r.Slots.Set(line::kSettingNewId, line::SettingNewId(s.NewDeviceId));
            ClearScanLinesExcept(r.Slots, line::kSettingNewId);
            Machine(r).Queue.Queue(ChangeDeviceId);
            Machine(r).ScanState = ScanState::ChangeSent;
            break;
        case ScanState::StartSearch:
            s.LastDeviceId = s.DeviceId;
            ProbeNextAddress(r);
            ClearReadings(r);
            r.Slots.Set(line::kStartScan, line::StartScan(s.DeviceId));
            ClearScanLinesExcept(r.Slots, line::kStartScan);
            Machine(r).ScanState = ScanState::ProbeOutstanding;
            break;
        case ScanState::ProbeTimedOut:
            if (s.DeviceId != s.LastDeviceId) {
                ProbeNextAddress(r);
                r.Slots.Set(line::kScanningId, line::ScanningId(s.DeviceId));
                ClearScanLinesExcept(r.Slots, line::kScanningId);
                Machine(r).ScanState = ScanState::ProbeOutstanding;
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
            Machine(r).ScanState = ScanState::Finished;
            break;
        case ScanState::Restore:
            s.DeviceId = s.LastDeviceId;
            r.Slots.Set(line::kRestoreLastId, line::RestoreLastId(s.DeviceId));
            ClearScanLinesExcept(r.Slots, line::kRestoreLastId);
            Machine(r).ScanState = ScanState::Finished;
            break;
        case ScanState::SettingsApplied: Machine(r).ScanState = ScanState::Finished; break;
        case ScanState::AwaitingOperator:
        case ScanState::ProbeOutstanding: r.Slots.Clear(line::kLinkLines); break;
        default:  // idle, finished, change sent: nothing to do
            break;
    }
}

}  // namespace corvane
