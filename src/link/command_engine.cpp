#include "link/command_engine.h"

#include <array>
#include <string>

#include "framework/clock.h"
#include "framework/operator_prompts.h"
#include "link/address_scan.h"
#include "link/command_table.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/port_settings.h"
#include "link/request_encoder.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

constexpr int kMaxBlockRetries = 32;
constexpr int kMaxStampRetries = 5;
constexpr int kLongCommandTicks = 50;
constexpr int kBlockCountTicks = 30;
constexpr int kFirstStageTicks = 6;
constexpr int kSecondStageTicks = 12;
constexpr int kResetAnnounceTicks = 16;
constexpr int kResetTicks = 20;

void ClearDownloadAndScanLines(MessageSlots& slots) {
    slots.Clear(line::kDownloadLines);
    slots.Clear(line::kScanLines);
}

}  // namespace

CommandEngine::CommandEngine(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
                             fw::OperatorPrompts& prompts, fw::Timer& linkTimer)
    : r_(records), channel_(channel), clock_(clock), prompts_(prompts), linkTimer_(linkTimer) {}

bool CommandEngine::Tick() {
    if (Machine(r_).Link.TickCount == 0 && r_.Sensor.ChannelSwitch != ChannelSwitch::Switched) {
        SendingTick();
    } else {
        WaitingTick();
    }
    return CommonTail();
}

void CommandEngine::OnSerialByte(std::uint8_t byte, int portNumber) {
    const int function = Machine(r_).Link.RequestFunction;  // the receive path clears it
    const FrameEvent event = ReceiveByte(r_, byte, portNumber, downloadReplies_);
    if (event == FrameEvent::Ignored) return;
    if (event != FrameEvent::Incomplete && onReply_) {
        onReply_(function, event);
    }
    if (onReceived_) received_.push_back(byte);
    if (event != FrameEvent::Incomplete) {
        lastFrameEvent_ = event;
        if (onReceived_) {
            onReceived_(received_, event);
            received_.clear();
        }
    }
}

void CommandEngine::SendingTick() {
    // A download that failed too often is stopped before the request state is prepared, so the
    // request this tick sends is supervised like any other.
    if (Machine(r_).Engine.BlockRetries > kMaxBlockRetries) {
        StopFailedDownload();
    }
    BeginRequest(r_);
    r_.Slots.Clear(line::kLinkLines);
    RunScanStep(r_, prompts_);

    EngineState& e = Machine(r_).Engine;
    if (e.CurrentCommand == 0) {
        e.CurrentCommand = Machine(r_).Queue.TakeLowest();
    }
    const fw::DateTime now = clock_.Now();
    BuildRequest(r_, e.CurrentCommand, LocalDate{now.year, now.month, now.day}, blockReader_);
    FinishRequest(r_);

    const bool firstBlockAttempt =
        Machine(r_).Link.RequestFunction == fn::kFlashBlock && e.BlockRetries == 0;
    linkTimer_.Start(firstBlockAttempt ? kFastBlockTickMs : kTickMs);

    OpenPortIfRequested();
    if (!e.TransmitInhibit && Machine(r_).Link.RequestLength >= 4) {
        const auto frame = std::span(Machine(r_).Link.TxFrame)
                               .first(static_cast<std::size_t>(Machine(r_).Link.RequestLength));
        channel_.Write(frame);
        if (onSent_) onSent_(frame);
        received_.clear();  // a new request: what came before belongs to no reply
    }
}

void CommandEngine::StopFailedDownload() {
    ClearReadings(r_);
    AbortDownload(r_);
    Machine(r_).Download.DownloadOrigin = DownloadOrigin::None;
    prompts_.PlayBeep(fw::Beep::Exclamation);
    prompts_.PostBox({"Program Transfer Failed. Restart The Download !", "Software Download Status",
                      fw::Icon::Exclamation, fw::Buttons::Ok},
                     [](fw::Answer) {});
}

void CommandEngine::OpenPortIfRequested() {
    EngineState& e = Machine(r_).Engine;
    if (!e.ReopenPort) {
        return;
    }
    e.ReopenPort = false;
    DeriveLineSettings(r_.Sensor);
    if (!channel_.Open(PortSettingsOf(r_.Sensor), *this)) {
        e.TransmitInhibit = true;
    }
}

void CommandEngine::WaitingTick() {
    LinkState& link = Machine(r_).Link;
    const int f = link.RequestFunction;
    const int t = link.TickCount;

    if (f == fn::kDefaultSetup || f == fn::kCalibrateCond) {
        if (t < kLongCommandTicks) {
            ++link.TickCount;
        } else {
            TimeOutLongCommand();
        }
    } else if (f == fn::kBlockCount) {
        if (t < kBlockCountTicks) {
            ++link.TickCount;
        } else {
            TimeOutBlockCount();
        }
    } else if (t < kFirstStageTicks) {
        ++link.TickCount;
    } else if (t < kSecondStageTicks) {
        TimeOutFirstStage();
    } else if (t < kResetAnnounceTicks) {
        TimeOutSecondStage();
    } else if (t < kResetTicks) {
        AnnounceReset();
    } else {
        TimeOutCompletely();
    }
}

void CommandEngine::TimeOutLongCommand() {
    r_.Slots.Clear(line::kLinkLines);
    ClearDownloadAndScanLines(r_.Slots);
    ResetLink();
}

void CommandEngine::TimeOutBlockCount() {
    ClearReadings(r_);
    AbortDownload(r_);
    Machine(r_).Download.DownloadOrigin = DownloadOrigin::None;
    r_.Slots.Show(line::kFaultyDownloadAcknowledge);
}

// Ticks 6..11 of an unanswered request.
void CommandEngine::TimeOutFirstStage() {
    LinkState& link = Machine(r_).Link;
    DownloadRecord& d = Machine(r_).Download;
    switch (link.RequestFunction) {
        case fn::kPoll:
            r_.Slots.Clear(line::kLinkLines);
            r_.Slots.Show(line::kDataReplyOverdue);
            ++link.TickCount;
            break;
        case fn::kProbe:
            r_.Slots.Clear(line::kLinkLines);
            if (Machine(r_).ScanState == ScanState::ProbeOutstanding) {
                Machine(r_).ScanState = ScanState::ProbeTimedOut;
            }
            ResetLink();
            break;
        case fn::kRequestDownload:
            r_.Slots.Clear(line::kDownloadRequestLines);
            if (d.DownloadState == DownloadState::Requested ||
                d.DownloadState == DownloadState::Rerequesting) {
                d.DownloadState = DownloadState::Rerequesting;
                RepeatDownloadCommand(RequestDownload);
                Machine(r_).Engine.SensorAnswering = false;
            } else {
                AbortDownload(r_);
                d.DownloadOrigin = DownloadOrigin::None;
            }
            ClearReadings(r_);
            break;
        case fn::kFlashBlock:
            ClearReadings(r_);
            r_.Slots.Set(line::kFlashBlockResending, line::FlashBlockResending(d.BlockIndex));
            RepeatDownloadCommand(FlashBlock);
            ++Machine(r_).Engine.BlockRetries;
            break;
        case fn::kFinishDownload:
            ClearReadings(r_);
            AbortDownload(r_);
            r_.Slots.Show(line::kFaultySensorRestart);
            break;
        default:
            r_.Slots.Clear(line::kLinkLines);
            ++link.TickCount;
            break;
    }
}

// Ticks 12..15 of an unanswered request.
void CommandEngine::TimeOutSecondStage() {
    LinkState& link = Machine(r_).Link;
    switch (link.RequestFunction) {
        case fn::kPoll:
            r_.Slots.Clear(line::kLinkLines);
            r_.Slots.Show(line::kDataReplyTimedOut);
            ++link.TickCount;
            break;
        case fn::kInstallStamp: TimeOutStamp(DownloadOrigin::FactoryPage, StampInstall); break;
        case fn::kUpgradeStamp: TimeOutStamp(DownloadOrigin::SoftwarePage, StampUpgrade); break;
        default:
            r_.Slots.Clear(line::kLinkLines);
            r_.Slots.Show(line::kAcknowledgeOverdue);
            ++link.TickCount;
            break;
    }
}

// An unanswered install or upgrade stamp is repeated up to five times while the download that
// started it (`origin`) is still the one being stamped, then given up silently.
void CommandEngine::TimeOutStamp(DownloadOrigin origin, int command) {
    EngineState& e = Machine(r_).Engine;
    DownloadRecord& d = Machine(r_).Download;
    if (d.DownloadOrigin == origin && e.StampRetries < kMaxStampRetries) {
        r_.Slots.Show(line::kIssueNotReturned);
        RepeatDownloadCommand(command);
        ++e.StampRetries;
    } else {
        r_.Slots.Clear(line::kIssueNotReturned);
        Machine(r_).Queue.Withdraw(command);
        e.CurrentCommand = 0;
        e.StampRetries = 0;
        d.DownloadOrigin = DownloadOrigin::None;
    }
    Machine(r_).Link.TickCount = 0;
}

// An unanswered download request, block or stamp is sent again through the queue, and only
// there: the command is no longer the current one, so each attempt goes out once.
void CommandEngine::RepeatDownloadCommand(int command) {
    Machine(r_).Queue.Queue(command);
    Machine(r_).Engine.CurrentCommand = 0;
    Machine(r_).Link.TickCount = 0;
}

void CommandEngine::AnnounceReset() {
    r_.Slots.Clear(line::kLinkLines);
    r_.Slots.Show(line::kResettingComms);
    ++Machine(r_).Link.TickCount;
}

void CommandEngine::TimeOutCompletely() {
    r_.Slots.Clear(line::kLinkLines);
    r_.Slots.Clear(line::kReceivingDataBlock);
    ClearDownloadAndScanLines(r_.Slots);
    ClearReadings(r_);
    Machine(r_).UploadFailedBlock = -1;
    Machine(r_).UploadFailedAttempts = 0;
    if (Machine(r_).Engine.SensorAnswering) {
        ResetIdentity(r_);
    }
    SensorData& s = r_.Sensor;
    if (s.ChannelSwitch != ChannelSwitch::Idle && s.ChannelSelected != 0) {
        s.ChannelSwitch = ChannelSwitch::TimedOut;
    }
    ResetLink();
}

void CommandEngine::ResetLink() {
    ClearReadings(r_);
    Machine(r_).Link.TickCount = 0;
    Machine(r_).Engine.CurrentCommand = 0;
    Machine(r_).Engine.SensorAnswering = false;
}

void CommandEngine::AdvanceSpinner() {
    int& phase = Machine(r_).Engine.SpinnerPhase;
    phase = phase >= 3 ? 1 : phase + 1;
}

bool CommandEngine::CommonTail() {
    EngineState& e = Machine(r_).Engine;
    if (e.SensorAnswering) {
        AdvanceSpinner();
        r_.Slots.Set(line::kSensorCommsOk,
                     line::kSensorCommsOkPhases[static_cast<std::size_t>(e.SpinnerPhase - 1)]);
    } else {
        r_.Slots.Clear(line::kSensorCommsOk);
    }

    if (Machine(r_).Link.RequestFunction == fn::kRequestDownload &&
        Machine(r_).Download.DownloadState == DownloadState::Rerequesting) {
        AdvanceSpinner();
        r_.Slots.Set(line::kRequestingDownload,
                     line::kRequestingDownloadPhases[static_cast<std::size_t>(e.SpinnerPhase - 1)]);
        e.SensorAnswering = false;
    } else {
        r_.Slots.Clear(line::kRequestingDownload);
    }

    BuildMessageLines(r_.Slots, r_.Lines);

    // An upload, a download stamp or a calibration that has just finished makes every window
    // reload what it shows.
    bool finished = false;
    const auto takeFinished = [&finished](auto& marker, auto done, auto idle) {
        if (marker == done) {
            marker = idle;
            finished = true;
        }
    };
    LinkMachine& m = Machine(r_);
    takeFinished(m.UploadBlock, kUploadFinished, 0);
    takeFinished(m.Download.DownloadOrigin, DownloadOrigin::StampAnswered, DownloadOrigin::None);
    takeFinished(m.CalibrationDone, CalibrationStamp::Queued, CalibrationStamp::None);
    const bool armed = finished || r_.PageRefresh == PageRefresh::Requested;
    if (armed) {
        r_.PageRefresh = PageRefresh::Armed;
    }

    if (e.CompletedHold > 0) {
        --e.CompletedHold;
        if (e.CompletedHold == 0) {
            r_.Slots.Clear(line::kFunctionCompleted);
        }
    }
    return armed;
}

}  // namespace corvane
