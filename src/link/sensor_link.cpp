#include "link/sensor_link.h"

#include <algorithm>

#include "framework/clock.h"
#include "framework/operator_prompts.h"
#include "link/command_table.h"
#include "link/download_control.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

Outcome OutcomeOf(FrameEvent event) {
    switch (event) {
        case FrameEvent::Passed: return Outcome::Answered;
        case FrameEvent::Exception: return Outcome::Exception;
        default: return Outcome::Garbled;
    }
}

}  // namespace

bool IsConfirmedChange(int function, ConfirmedChange& change) {
    switch (function) {
        case fn::kCalibrateCond:
        case fn::kCalibrateTemp:
        case fn::kCalibrateOutputs:
        case fn::kResetCalibration:
        case fn::kSource1K0:
        case fn::kSource1K5: change = ConfirmedChange::Calibration; return true;
        case fn::kDefaultSetup:
        case fn::kTempSetup:
        case fn::kOutput1Setup:
        case fn::kOutput2Setup:
        case fn::kDigitalSetup:
        case fn::kCustomConc:
        case fn::kCustomCond:
        case fn::kCustomText1:
        case fn::kCustomText2:
        case fn::kPlantNumber: change = ConfirmedChange::SetupWrite; return true;
        case fn::kSerialNumber: change = ConfirmedChange::SerialNumber; return true;
        case fn::kCalibrationStamp:
        case fn::kInstallStamp:
        case fn::kUpgradeStamp: change = ConfirmedChange::Stamp; return true;
        case fn::kChangeAddress: change = ConfirmedChange::AddressChange; return true;
        case fn::kTestOutputs: change = ConfirmedChange::OutputsForced; return true;
        default: return false;
    }
}

PollAnswered PollAnsweredOf(const SharedRecords& records,
                            std::chrono::system_clock::time_point time) {
    PollAnswered poll;
    poll.address = records.Link.RxFrame[0];
    poll.channel = ChannelCycle::ChannelOfReply(records.Sensor, poll.address);
    poll.reading = RowOfAnsweredPoll(records, time);
    return poll;
}

SensorLink::SensorLink(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
                       fw::OperatorPrompts& prompts, fw::Timer& linkTimer)
    : r_(records),
      clock_(clock),
      prompts_(prompts),
      engine_(records, channel, clock, prompts, linkTimer),
      download_(clock, prompts),
      cycle_(records) {
    engine_.SetFlashBlockReader(&download_);
    engine_.SetDownloadReplyHandler(&download_);
    engine_.SetReplyObserver(
        [this](int function, FrameEvent event) { ReplyEnded(function, event); });
    channel.SetFailureObserver([this](const PortFailure& failure) {
        TellObservers([&failure](LinkObserver& o) { o.PortHasFailed(failure); });
    });
}

SensorLink::~SensorLink() = default;

void SensorLink::AddObserver(LinkObserver& observer) {
    observers_.push_back(&observer);
}

void SensorLink::RemoveObserver(LinkObserver& observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer),
                     observers_.end());
}

template <typename Call>
void SensorLink::TellObservers(Call call) {
    for (LinkObserver* observer : observers_) call(*observer);
}

bool SensorLink::Tick() {
    const bool sending =
        r_.Link.TickCount == 0 && r_.Sensor.ChannelSwitch != ChannelSwitch::Switched;
    const bool armed = engine_.Tick();
    if (sending) {
        SentRequest();
    } else if (outstanding_ && r_.Link.TickCount == 0) {
        EndExchange(Outcome::Silent);  // given up (or sent again as a new exchange)
    }
    CheckDownloadEnd();
    return armed;
}

// A sending tick built a request: it went out, or the port withheld it.
void SensorLink::SentRequest() {
    const LinkState& link = r_.Link;
    if (link.RequestLength < 4 || link.RequestFunction == 0) return;
    outstanding_ = true;
    sentFunction_ = link.RequestFunction;
    sentAddress_ = link.TxFrame[0];
    sentFrame_.assign(link.TxFrame.begin(), link.TxFrame.begin() + link.RequestLength);
    sentAt_ = clock_.PreciseNow();
    if (r_.Engine.TransmitInhibit) EndExchange(Outcome::PortFailed);
}

void SensorLink::EndExchange(Outcome outcome) {
    outstanding_ = false;
    if (addressCheck_ && sentFunction_ == fn::kProbe && sentAddress_ == addressCheck_->to) {
        EndAddressCheck(outcome);
    }
    const ExchangeEnded ended{sentFunction_, sentAddress_, outcome, sentFrame_};
    TellObservers([&ended](LinkObserver& o) { o.ExchangeHasEnded(ended); });
}

// Within the byte that completed a reply: the records hold what it said.
void SensorLink::ReplyEnded(int function, FrameEvent event) {
    if (!outstanding_ || function != sentFunction_) return;  // a reply to no request of ours
    const Outcome outcome = OutcomeOf(event);
    if (outcome == Outcome::Answered && function == fn::kDataBlock &&
        r_.UploadBlock == kUploadFinished) {
        // The whole setup is in: it is this sensor's, and its plant number is known.
        r_.SetupReadFromSerial = r_.Sensor.SerialNumber;
        r_.SetupReadFromAddress = sentAddress_;
        r_.Slots.Clear(line::kPlantNumberNotSent);
    }
    if (outcome == Outcome::Answered && function == fn::kPoll) {
        const PollAnswered poll = PollAnsweredOf(r_, clock_.PreciseNow());
        TellObservers([&poll](LinkObserver& o) { o.PollWasAnswered(poll); });
    }
    if (outcome != Outcome::Garbled && function == fn::kProbe) {
        const int address = sentAddress_;
        TellObservers([address](LinkObserver& o) { o.AddressWasFound(address); });
    }
    if (outcome == Outcome::Answered) {
        ConfirmedChange change{};
        if (IsConfirmedChange(function, change)) {
            const Confirmation confirmed{change, function, sentAddress_, sentFrame_, sentAt_};
            TellObservers([&confirmed](LinkObserver& o) { o.SensorConfirmed(confirmed); });
        }
        if (function == fn::kFlashBlock && downloadUnderWay_) {
            const DownloadRecord& d = r_.Download;
            lastBlocksTaken_ = d.BlockIndex;
            lastBlockTotal_ = d.BlockTotal;
            const DownloadProgress progress{downloadOrigin_, d.BlockIndex, d.BlockTotal,
                                            d.DownloadProgress};
            TellObservers([&progress](LinkObserver& o) { o.DownloadHasProgressed(progress); });
        }
        if (function == fn::kFinishDownload && r_.Download.DownloadOrigin != DownloadOrigin::None) {
            downloadCompleted_ = true;  // restarted after the last block; the stamp follows
        }
    }
    EndExchange(outcome);
    CheckDownloadEnd();
}

void SensorLink::CheckDownloadEnd() {
    if (!downloadUnderWay_ || r_.Download.DownloadState != DownloadState::Idle) return;
    downloadUnderWay_ = false;
    DownloadResult result;
    result.end = downloadCompleted_   ? DownloadResult::End::Completed
                 : downloadCancelled_ ? DownloadResult::End::Cancelled
                                      : DownloadResult::End::Failed;
    result.origin = downloadOrigin_;
    result.blocksTaken = lastBlocksTaken_;
    result.blockTotal = lastBlockTotal_;
    TellObservers([&result](LinkObserver& o) { o.DownloadHasEnded(result); });
}

// --- The Communications page ---

void SensorLink::MonitorAddress(int address) {
    AbandonAddressCheck();
    SensorData& s = r_.Sensor;
    s.NewDeviceId = address;
    s.DeviceId = address;
    s.LastDeviceId = address;
    ResetIdentity(r_);
}

void SensorLink::ChangeAddress(int newAddress) {
    AbandonAddressCheck();
    if (newAddress == r_.Sensor.DeviceId) {
        StartAddressChange(newAddress);
        return;
    }
    // The probe goes to the new address; the polls go back to the sensor once it has ended.
    addressCheck_ = AddressCheck{r_.Sensor.DeviceId, newAddress};
    r_.Sensor.DeviceId = newAddress;
    r_.Queue.Queue(ProbeDeviceId);
}

void SensorLink::StartAddressChange(int newAddress) {
    r_.Sensor.NewDeviceId = newAddress;
    r_.ScanState = ScanState::ChangeAddress;
    ResetIdentity(r_);
}

// Another address operation (a search, Monitor, a port change, the Channels page taking the
// line) ends the check: the probe still queued is withdrawn and the polls go back to the sensor,
// whose address stays as it is.
void SensorLink::AbandonAddressCheck() {
    if (!addressCheck_) return;
    r_.Queue.Withdraw(ProbeDeviceId);
    r_.Sensor.DeviceId = addressCheck_->from;
    addressCheck_.reset();
}

// The probe of the new address has ended: silence there lets the change go ahead; anything that
// answered, even with an exception or a garbled frame, keeps the sensor where it is.
void SensorLink::EndAddressCheck(Outcome outcome) {
    const AddressCheck check = *addressCheck_;
    addressCheck_.reset();
    r_.Sensor.DeviceId = check.from;
    if (r_.ScanState != ScanState::Idle) return;  // a search or a restore has taken over
    if (outcome == Outcome::Silent) {
        StartAddressChange(check.to);
        return;
    }
    if (outcome == Outcome::PortFailed) return;  // the port's own message says why
    prompts_.PlayBeep(fw::Beep::Exclamation);
    prompts_.PostBox({.text = "A Device Already Answers At ID " + std::to_string(check.to) +
                              " !\n\nThe Sensor Keeps ID " + std::to_string(check.from) +
                              ": Its Address Was Not Changed.",
                      .caption = "Sensor Address Change Refused !",
                      .icon = fw::Icon::Exclamation,
                      .buttons = fw::Buttons::Ok},
                     [](fw::Answer) {});
}

void SensorLink::SearchAddresses(bool downwards) {
    AbandonAddressCheck();
    if (r_.ScanState == ScanState::Idle) r_.ScanState = ScanState::StartSearch;
    r_.ScanDirection = downwards ? 1 : 0;
}

void SensorLink::StopSearch() {
    AbandonAddressCheck();
    if (r_.ScanState != ScanState::Idle) r_.ScanState = ScanState::Restore;
}

void SensorLink::ReturnToLastAddress() {
    AbandonAddressCheck();
    r_.ScanState = ScanState::Restore;
}

void SensorLink::ApplyPortSettings() {
    AbandonAddressCheck();
    r_.ScanState = ScanState::SettingsApplied;
    r_.Engine.ReopenPort = true;
    r_.Engine.TransmitInhibit = false;
}

void SensorLink::ConfirmPortSettings() {
    r_.ScanState = ScanState::SettingsApplied;
}

bool SensorLink::TakeFinishedScan() {
    if (r_.ScanState != ScanState::Finished) return false;
    r_.ScanState = ScanState::Idle;
    return true;
}

// --- The software download ---

void SensorLink::AskToStartDownload() {
    r_.Download.DownloadState = DownloadState::Confirming;
}

void SensorLink::DropDownloadRequest() {
    r_.Download.DownloadState = DownloadState::Idle;
}

void SensorLink::StartDownload(std::vector<ImageBlock> image, DownloadOrigin origin,
                               std::string imageFile) {
    lastBlocksTaken_ = 0;
    lastBlockTotal_ = static_cast<unsigned>(image.size());
    const DownloadStart start{origin, std::move(imageFile), lastBlockTotal_};
    BeginDownload(r_, std::move(image), origin);
    downloadUnderWay_ = true;
    downloadOrigin_ = origin;
    downloadCompleted_ = false;
    downloadCancelled_ = false;
    TellObservers([&start](LinkObserver& o) { o.DownloadHasStarted(start); });
}

void SensorLink::NoteSetupFile(bool saved, std::string path, std::string fileOperator) {
    const SetupFileUse use{saved, std::move(path), std::move(fileOperator)};
    TellObservers([&use](LinkObserver& o) { o.SetupFileHandled(use); });
}

void SensorLink::CancelDownload() {
    downloadCancelled_ = true;
    AbortDownload(r_);
    CheckDownloadEnd();
}

void SensorLink::AbandonDownload() {
    AbortDownload(r_);
    CheckDownloadEnd();
}

// --- Requests ---

void SensorLink::Queue(int command) {
    // A plant number never read from the sensor is the placeholder the page shows: writing it
    // would replace the sensor's real tag. That part is left out, and a line says so.
    if (command == WritePlantNumber && r_.Sensor.PlantNumber == kPlantNumberNotRead) {
        r_.Slots.Show(line::kPlantNumberNotSent);
        return;
    }
    if (command == WritePlantNumber) r_.Slots.Clear(line::kPlantNumberNotSent);
    r_.Queue.Queue(command);
}

void SensorLink::Withdraw(int command) {
    r_.Queue.Withdraw(command);
    if (r_.Engine.CurrentCommand == command) r_.Engine.CurrentCommand = 0;
}

void SensorLink::ReopenPort() {
    r_.Engine.ReopenPort = true;
}

void SensorLink::TalkTo(int address) {
    AbandonAddressCheck();
    r_.Sensor.DeviceId = address;
}

void SensorLink::ProbeAddress(int address) {
    AbandonAddressCheck();
    r_.Sensor.DeviceId = address;
    r_.Queue.Queue(ProbeDeviceId);
}

void SensorLink::SendNewAddress(int newAddress) {
    r_.Sensor.NewDeviceId = newAddress;
    r_.Queue.Queue(ChangeDeviceId);
}

}  // namespace corvane
