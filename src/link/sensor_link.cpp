#include "link/sensor_link.h"

#include <algorithm>

#include "framework/clock.h"
#include "framework/operator_prompts.h"
#include "link/command_table.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/record_date.h"
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
    const FunctionInfo* info = FindFunction(function);
    if (info == nullptr) return false;
    switch (info->kind) {
        case FunctionKind::Calibration: change = ConfirmedChange::Calibration; return true;
        case FunctionKind::DefaultSetup:
        case FunctionKind::SetupPart: change = ConfirmedChange::SetupWrite; return true;
        case FunctionKind::SerialNumber: change = ConfirmedChange::SerialNumber; return true;
        case FunctionKind::CalibrationStamp:
        case FunctionKind::InstallStamp:
        case FunctionKind::UpgradeStamp: change = ConfirmedChange::Stamp; return true;
        case FunctionKind::AddressChange: change = ConfirmedChange::AddressChange; return true;
        case FunctionKind::OutputsForced: change = ConfirmedChange::OutputsForced; return true;
        default: return false;
    }
}

PollAnswered PollAnsweredOf(const SharedRecords& records,
                            std::chrono::system_clock::time_point time) {
    PollAnswered poll;
    poll.address = records.Link().RxFrame[0];
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
        r_.Link().TickCount == 0 && r_.Sensor.ChannelSwitch != ChannelSwitch::Switched;
    const bool armed = engine_.Tick();
    if (sending) {
        SentRequest();
    } else if (outstanding_ && r_.Link().TickCount == 0) {
        EndExchange(Outcome::Silent);  // given up (or sent again as a new exchange)
    }
    EndUnsentHandles();
    CheckDownloadEnd();
    CheckStampGivenUp();
    return armed;
}

// A sending tick built a request: it went out, or the port withheld it.
void SensorLink::SentRequest() {
    const LinkState& link = r_.Link();
    if (link.RequestLength < 4 || link.RequestFunction == 0) return;
    outstanding_ = true;
    sentFunction_ = link.RequestFunction;
    sentAddress_ = link.TxFrame[0];
    sentCommand_ = r_.Engine().CurrentCommand;
    sentFrame_.assign(link.TxFrame.begin(), link.TxFrame.begin() + link.RequestLength);
    sentAt_ = clock_.PreciseNow();
    if (sentCommand_ != 0) {
        const auto isSent = [this](const auto& h) { return h->command == sentCommand_; };
        for (auto& h : queuedHandles_) {
            if (isSent(h)) {
                h->sent = true;
                sentHandles_.push_back(h);
            }
        }
        std::erase_if(queuedHandles_, isSent);
    }
    if (r_.Engine().TransmitInhibit) EndExchange(Outcome::PortFailed);
}

namespace {

RequestEnd EndOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Answered: return RequestEnd::Answered;
        case Outcome::Exception: return RequestEnd::Exception;
        case Outcome::Garbled: return RequestEnd::Garbled;
        case Outcome::Silent: return RequestEnd::Silent;
        case Outcome::PortFailed: return RequestEnd::PortFailed;
    }
    return RequestEnd::Silent;
}

}  // namespace

void SensorLink::EndHandles(std::vector<std::shared_ptr<RequestHandle::State>>& handles,
                            RequestEnd end, int exceptionCode) {
    for (auto& h : handles) {
        h->end = end;
        h->exceptionCode = end == RequestEnd::Exception ? exceptionCode : 0;
    }
    handles.clear();
}

// A command taken from the queue without going out (or withdrawn) ends its handles: nothing will
// answer them.
void SensorLink::EndUnsentHandles() {
    std::vector<std::shared_ptr<RequestHandle::State>> dropped;
    std::erase_if(queuedHandles_, [this, &dropped](const auto& h) {
        if (r_.Queue().IsPending(h->command) || r_.Engine().CurrentCommand == h->command) {
            return false;
        }
        dropped.push_back(h);
        return true;
    });
    EndHandles(dropped, RequestEnd::Withdrawn);
}

void SensorLink::EndSetupRead(RequestEnd end) {
    if (!setupRead_) return;
    setupRead_->end = end;
    setupRead_.reset();
}

void SensorLink::EndExchange(Outcome outcome, int exceptionCode) {
    outstanding_ = false;
    EndHandles(sentHandles_, EndOf(outcome), exceptionCode);
    // A block of the setup read that failed for good (not asked for again) ends the read.
    if (setupRead_ && sentFunction_ == fn::kDataBlock && outcome != Outcome::Answered &&
        !r_.Queue().IsPending(ReadDataBlock)) {
        EndSetupRead(EndOf(outcome));
    }
    if (addressCheck_ && sentFunction_ == fn::kProbe && sentAddress_ == addressCheck_->to) {
        EndAddressCheck(outcome);
    }
    const ExchangeEnded ended{sentFunction_, sentAddress_, outcome, sentFrame_, exceptionCode};
    TellObservers([&ended](LinkObserver& o) { o.ExchangeHasEnded(ended); });
}

// Within the byte that completed a reply: the records hold what it said.
void SensorLink::ReplyEnded(int function, FrameEvent event) {
    if (!outstanding_ || function != sentFunction_) return;  // a reply to no request of ours
    const Outcome outcome = OutcomeOf(event);
    const int exceptionCode = outcome == Outcome::Exception ? r_.Link().RxFrame[2] : 0;
    if (outcome == Outcome::Answered && function == fn::kDataBlock &&
        r_.UploadBlock() == kUploadFinished) {
        // The whole setup is in: it is this sensor's, and its plant number is known.
        Machine(r_).SetupReadFromSerial = r_.Sensor.SerialNumber;
        Machine(r_).SetupReadFromAddress = sentAddress_;
        r_.Slots.Clear(line::kPlantNumberNotSent);
        EndSetupRead(RequestEnd::Answered);
        const SetupRead read{r_.Sensor.SerialNumber, sentAddress_};
        TellObservers([&read](LinkObserver& o) { o.SetupWasRead(read); });
    }
    if (outcome == Outcome::Answered && function == fn::kPoll) {
        const PollAnswered poll = PollAnsweredOf(r_, clock_.PreciseNow());
        TellObservers([&poll](LinkObserver& o) { o.PollWasAnswered(poll); });
    }
    // Only a probe's own reply finds an address: an exception or a garbled frame there is no
    // sensor of ours, and the search goes on past it.
    if (outcome == Outcome::Answered && function == fn::kProbe) {
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
            const DownloadRecord& d = r_.Download();
            lastBlocksTaken_ = d.BlockIndex;
            lastBlockTotal_ = d.BlockTotal;
            const DownloadProgress progress{downloadOrigin_, d.BlockIndex, d.BlockTotal,
                                            d.DownloadProgress};
            TellObservers([&progress](LinkObserver& o) { o.DownloadHasProgressed(progress); });
        }
        if (function == fn::kFinishDownload &&
            r_.Download().DownloadOrigin != DownloadOrigin::None) {
            downloadCompleted_ = true;  // restarted after the last block; the stamp follows
            stampAwaited_ = true;
        }
        const FunctionInfo* info = FindFunction(function);
        if (stampAwaited_ && info != nullptr &&
            (info->kind == FunctionKind::InstallStamp ||
             info->kind == FunctionKind::UpgradeStamp)) {
            stampAwaited_ = false;
            const DownloadStamped stamped{downloadOrigin_, true,
                                          info->kind == FunctionKind::InstallStamp
                                              ? r_.Sensor.InstallIssue
                                              : r_.Sensor.UpgradeIssue};
            TellObservers([&stamped](LinkObserver& o) { o.DownloadWasStamped(stamped); });
        }
    }
    EndExchange(outcome, exceptionCode);
    CheckDownloadEnd();
}

// The engine gives a stamp up after its attempts (the download is then no longer stamped).
void SensorLink::CheckStampGivenUp() {
    if (!stampAwaited_ || downloadUnderWay_ ||
        r_.Download().DownloadOrigin != DownloadOrigin::None) {
        return;
    }
    stampAwaited_ = false;
    const DownloadStamped stamped{downloadOrigin_, false, {}};
    TellObservers([&stamped](LinkObserver& o) { o.DownloadWasStamped(stamped); });
}

void SensorLink::CheckDownloadEnd() {
    if (!downloadUnderWay_ || r_.Download().DownloadState != DownloadState::Idle) return;
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
    Machine(r_).Queue.Queue(ProbeDeviceId);
}

void SensorLink::StartAddressChange(int newAddress) {
    r_.Sensor.NewDeviceId = newAddress;
    Machine(r_).ScanState = ScanState::ChangeAddress;
    ResetIdentity(r_);
}

// Another address operation (a search, Monitor, a port change, the Channels page taking the
// line) ends the check: the probe still queued is withdrawn and the polls go back to the sensor,
// whose address stays as it is.
void SensorLink::AbandonAddressCheck() {
    if (!addressCheck_) return;
    Machine(r_).Queue.Withdraw(ProbeDeviceId);
    r_.Sensor.DeviceId = addressCheck_->from;
    addressCheck_.reset();
}

// The probe of the new address has ended: silence there lets the change go ahead; anything that
// answered, even with an exception or a garbled frame, keeps the sensor where it is.
void SensorLink::EndAddressCheck(Outcome outcome) {
    const AddressCheck check = *addressCheck_;
    addressCheck_.reset();
    r_.Sensor.DeviceId = check.from;
    if (Machine(r_).ScanState != ScanState::Idle) return;  // a search or a restore has taken over
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
    if (Machine(r_).ScanState == ScanState::Idle) Machine(r_).ScanState = ScanState::StartSearch;
    Machine(r_).ScanDirection = downwards ? 1 : 0;
}

void SensorLink::StopSearch() {
    AbandonAddressCheck();
    if (Machine(r_).ScanState != ScanState::Idle) Machine(r_).ScanState = ScanState::Restore;
}

void SensorLink::ReturnToLastAddress() {
    AbandonAddressCheck();
    Machine(r_).ScanState = ScanState::Restore;
}

void SensorLink::ApplyPortSettings() {
    AbandonAddressCheck();
    Machine(r_).ScanState = ScanState::SettingsApplied;
    Machine(r_).Engine.ReopenPort = true;
    Machine(r_).Engine.TransmitInhibit = false;
}

void SensorLink::ConfirmPortSettings() {
    Machine(r_).ScanState = ScanState::SettingsApplied;
}

bool SensorLink::TakeFinishedScan() {
    if (Machine(r_).ScanState != ScanState::Finished) return false;
    Machine(r_).ScanState = ScanState::Idle;
    return true;
}

// --- The software download ---

void SensorLink::AskToStartDownload() {
    Machine(r_).Download.DownloadState = DownloadState::Confirming;
}

void SensorLink::DropDownloadRequest() {
    Machine(r_).Download.DownloadState = DownloadState::Idle;
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
    stampAwaited_ = false;
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
    stampAwaited_ = false;
    AbortDownload(r_);
    CheckDownloadEnd();
}

// --- Requests ---

RequestHandle SensorLink::NewHandle(int command) {
    if (!r_.Queue().IsPending(command)) return RequestHandle{};  // no command the queue holds
    auto state = std::make_shared<RequestHandle::State>();
    state->command = command;
    queuedHandles_.push_back(state);
    return RequestHandle(std::move(state));
}

RequestHandle SensorLink::Queue(int command) {
    // A plant number never read from the sensor is the placeholder the page shows: writing it
    // would replace the sensor's real tag. That part is left out, and a line says so.
    if (command == WritePlantNumber && r_.Sensor.PlantNumber == kPlantNumberNotRead) {
        r_.Slots.Show(line::kPlantNumberNotSent);
        return RequestHandle{};
    }
    if (command == WritePlantNumber) r_.Slots.Clear(line::kPlantNumberNotSent);
    Machine(r_).Queue.Queue(command);
    return NewHandle(command);
}

void SensorLink::Withdraw(int command) {
    Machine(r_).Queue.Withdraw(command);
    if (r_.Engine().CurrentCommand == command) Machine(r_).Engine.CurrentCommand = 0;
    EndUnsentHandles();
    if (command == ReadDataBlock) EndSetupRead(RequestEnd::Withdrawn);
}

void SensorLink::ReopenPort() {
    ReopenPortAtNextRequest(r_);
}

RequestHandle SensorLink::ReadSetup() {
    LinkMachine& m = Machine(r_);
    m.UploadBlock = 0;
    m.UploadFailedBlock = -1;
    m.UploadFailedAttempts = 0;
    return ContinueSetupRead();
}

RequestHandle SensorLink::ContinueSetupRead() {
    EndSetupRead(RequestEnd::Withdrawn);  // a read under way goes on as this one
    Machine(r_).Queue.Queue(ReadDataBlock);
    setupRead_ = std::make_shared<RequestHandle::State>();
    setupRead_->command = ReadDataBlock;
    setupRead_->sent = true;
    return RequestHandle(setupRead_);
}

void SensorLink::NoteImageChecked(bool checked) {
    Machine(r_).Download.ImageStatus = checked ? 1 : 0;
}

// --- The calibration stamp ---

void SensorLink::NoteCalibrationToStamp() {
    Machine(r_).CalibrationDone = CalibrationStamp::ToStamp;
}

RequestHandle SensorLink::StampCalibrationIfDue(const fw::DateTime& now) {
    if (r_.CalibrationDone() != CalibrationStamp::ToStamp) return RequestHandle{};
    r_.Sensor.CalibrationDate = RecordDateText(now);
    r_.Sensor.CalibrationName = r_.OperatorName;
    Machine(r_).CalibrationDone = CalibrationStamp::Queued;
    return Queue(WriteCalibrationStamp);
}

void SensorLink::TalkTo(int address) {
    AbandonAddressCheck();
    r_.Sensor.DeviceId = address;
}

void SensorLink::ProbeAddress(int address) {
    AbandonAddressCheck();
    r_.Sensor.DeviceId = address;
    Machine(r_).Queue.Queue(ProbeDeviceId);
}

RequestHandle SensorLink::SendNewAddress(int newAddress) {
    r_.Sensor.NewDeviceId = newAddress;
    Machine(r_).Queue.Queue(ChangeDeviceId);
    return NewHandle(ChangeDeviceId);
}

}  // namespace corvane
