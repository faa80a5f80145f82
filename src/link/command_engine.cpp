#include "link/command_engine.h"

#include <array>
#include <string>

#include "framework/host.h"
#include "link/address_scan.h"
#include "link/command_table.h"
#include "link/download_control.h"
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
constexpr int kRefreshMarker = 100;

constexpr std::array<const char*, 3> kRequestingDownload = {"Msg 36..Requesting Download   \\",
                                                            "Msg 36..Requesting Download   /",
                                                            "Msg 36..Requesting Download  ---"};

void ClearDownloadAndScanLines(MessageSlots& slots) {
    slots.ClearRange(31, 39);
    slots.ClearRange(41, 45);
}

std::string FlashBlockResending(unsigned blockIndex) {
    return "Msg 38..Flash Block " + std::to_string(blockIndex) + " Error.. Resending";
}

}  // namespace

CommandEngine::CommandEngine(SharedRecords& records, SerialChannel& channel, fw::Host& host,
                             fw::Timer& linkTimer)
    : r_(records), channel_(channel), host_(host), linkTimer_(linkTimer) {}

bool CommandEngine::Tick() {
    if (r_.Link.TickCount == 0 && r_.Sensor.ChannelSwitch != 2) {
        SendingTick();
    } else {
        WaitingTick();
    }
    return CommonTail();
}

void CommandEngine::OnSerialByte(std::uint8_t byte, int portNumber) {
    const FrameEvent event = ReceiveByte(r_, byte, portNumber, downloadReplies_);
    if (event == FrameEvent::Ignored) return;
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
    if (r_.Engine.BlockRetries > kMaxBlockRetries) {
        StopFailedDownload();
    }
    BeginRequest(r_);
    r_.Slots.ClearRange(1, 4);
    RunScanStep(r_, host_);

    EngineState& e = r_.Engine;
    if (e.CurrentCommand == 0) {
        e.CurrentCommand = r_.Queue.TakeLowest();
    }
    const fw::DateTime now = host_.Now();
    BuildRequest(r_, e.CurrentCommand, LocalDate{now.year, now.month, now.day}, blockReader_);
    FinishRequest(r_);

    const bool firstBlockAttempt =
        r_.Link.RequestFunction == fn::kFlashBlock && e.BlockRetries == 0;
    linkTimer_.Start(firstBlockAttempt ? kFastBlockTickMs : kTickMs);

    OpenPortIfRequested();
    if (e.TransmitInhibit == 0 && r_.Link.RequestLength >= 4) {
        const auto frame =
            std::span(r_.Link.TxFrame).first(static_cast<std::size_t>(r_.Link.RequestLength));
        channel_.Write(frame);
        if (onSent_) onSent_(frame);
        received_.clear();  // a new request: what came before belongs to no reply
    }
}

void CommandEngine::StopFailedDownload() {
    ClearReadings(r_);
    AbortDownload(r_);
    r_.Download.DownloadOrigin = 0;
    host_.PlayBeep(fw::Beep::Exclamation);
    host_.PostBox({"Program Transfer Failed. Restart The Download !", "Software Download Status",
                   fw::Icon::Exclamation, fw::Buttons::Ok},
                  [](fw::Answer) {});
}

void CommandEngine::OpenPortIfRequested() {
    EngineState& e = r_.Engine;
    if (e.ReopenPort != 1) {
        return;
    }
    e.ReopenPort = 0;
    DeriveLineSettings(r_.Sensor);
    if (!channel_.Open(PortSettingsOf(r_.Sensor), *this)) {
        e.TransmitInhibit = 1;
    }
}

void CommandEngine::WaitingTick() {
    LinkState& link = r_.Link;
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
    r_.Slots.ClearRange(1, 4);
    ClearDownloadAndScanLines(r_.Slots);
    ResetLink();
}

void CommandEngine::TimeOutBlockCount() {
    ClearReadings(r_);
    AbortDownload(r_);
    r_.Download.DownloadOrigin = 0;
    r_.Slots.Set(37, "Msg 37..Faulty Download Acknowledge");
}

// Ticks 6..11 of an unanswered request.
void CommandEngine::TimeOutFirstStage() {
    LinkState& link = r_.Link;
    DownloadRecord& d = r_.Download;
    switch (link.RequestFunction) {
        case fn::kPoll:
            r_.Slots.Set(1, msg::k01DataReplyOverdue);
            r_.Slots.ClearRange(2, 4);
            ++link.TickCount;
            break;
        case fn::kProbe:
            r_.Slots.ClearRange(1, 4);
            if (r_.ScanState == scan::kProbeOutstanding) {
                r_.ScanState = scan::kProbeTimedOut;
            }
            ResetLink();
            break;
        case fn::kRequestDownload:
            r_.Slots.ClearRange(31, 35);
            if (d.DownloadState == 2 || d.DownloadState == 3) {
                d.DownloadState = 3;
                r_.Queue.Queue(RequestDownload);
                link.TickCount = 0;
                r_.Engine.SensorAnswering = 0;
            } else {
                AbortDownload(r_);
                d.DownloadOrigin = 0;
            }
            ClearReadings(r_);
            break;
        case fn::kFlashBlock:
            ClearReadings(r_);
            r_.Slots.Set(38, FlashBlockResending(d.BlockIndex));
            r_.Queue.Queue(FlashBlock);
            ++r_.Engine.BlockRetries;
            link.TickCount = 0;
            break;
        case fn::kFinishDownload:
            ClearReadings(r_);
            AbortDownload(r_);
            r_.Slots.Set(39, "Msg 39..Faulty Sensor Restart");
            break;
        default:
            r_.Slots.ClearRange(1, 4);
            ++link.TickCount;
            break;
    }
}

// Ticks 12..15 of an unanswered request.
void CommandEngine::TimeOutSecondStage() {
    LinkState& link = r_.Link;
    switch (link.RequestFunction) {
        case fn::kPoll:
            r_.Slots.Clear(1);
            r_.Slots.Set(2, msg::k02DataReplyTimedOut);
            r_.Slots.ClearRange(3, 4);
            ++link.TickCount;
            break;
        case fn::kInstallStamp: TimeOutStamp(2, StampInstall); break;
        case fn::kUpgradeStamp: TimeOutStamp(1, StampUpgrade); break;
        default:
            r_.Slots.ClearRange(1, 2);
            r_.Slots.Set(3, msg::k03AcknowledgeOverdue);
            r_.Slots.Clear(4);
            ++link.TickCount;
            break;
    }
}

// An unanswered install or upgrade stamp is repeated up to five times while the download that
// started it (`origin`) is still the one being stamped, then given up silently.
void CommandEngine::TimeOutStamp(int origin, int command) {
    EngineState& e = r_.Engine;
    DownloadRecord& d = r_.Download;
    if (d.DownloadOrigin == origin && e.StampRetries < kMaxStampRetries) {
        r_.Slots.Set(10, msg::k10IssueNotReturned);
        r_.Queue.Queue(command);
        ++e.StampRetries;
    } else {
        r_.Slots.Clear(10);
        r_.Queue.Withdraw(command);
        e.CurrentCommand = 0;
        e.StampRetries = 0;
        d.DownloadOrigin = 0;
    }
    r_.Link.TickCount = 0;
}

void CommandEngine::AnnounceReset() {
    r_.Slots.ClearRange(1, 3);
    r_.Slots.Set(4, msg::k04ResettingComms);
    ++r_.Link.TickCount;
}

void CommandEngine::TimeOutCompletely() {
    r_.Slots.ClearRange(1, 4);
    r_.Slots.Clear(9);
    ClearDownloadAndScanLines(r_.Slots);
    ClearReadings(r_);
    r_.UploadFailedBlock = -1;
    r_.UploadFailedAttempts = 0;
    if (r_.Engine.SensorAnswering == 1) {
        ResetIdentity(r_);
    }
    SensorData& s = r_.Sensor;
    if (s.ChannelSwitch != 0 && s.ChannelSelected != 0) {
        s.ChannelSwitch = 4;
    }
    ResetLink();
}

void CommandEngine::ResetLink() {
    ClearReadings(r_);
    r_.Link.TickCount = 0;
    r_.Engine.CurrentCommand = 0;
    r_.Engine.SensorAnswering = 0;
}

void CommandEngine::AdvanceSpinner() {
    int& phase = r_.Engine.SpinnerPhase;
    phase = phase >= 3 ? 1 : phase + 1;
}

bool CommandEngine::CommonTail() {
    EngineState& e = r_.Engine;
    if (e.SensorAnswering == 1) {
        AdvanceSpinner();
        r_.Slots.Set(8, msg::k08SensorCommsOk[static_cast<std::size_t>(e.SpinnerPhase - 1)]);
    } else {
        r_.Slots.Clear(8);
    }

    if (r_.Link.RequestFunction == fn::kRequestDownload && r_.Download.DownloadState == 3) {
        AdvanceSpinner();
        r_.Slots.Set(36, kRequestingDownload[static_cast<std::size_t>(e.SpinnerPhase - 1)]);
        e.SensorAnswering = 0;
    } else {
        r_.Slots.Clear(36);
    }

    BuildMessageLines(r_.Slots, r_.Lines);

    int* markers[] = {&r_.UploadBlock, &r_.Download.DownloadOrigin, &r_.Service.CalibrationDone};
    bool finished = false;
    for (int* marker : markers) {
        if (*marker == kRefreshMarker) {
            *marker = 0;
            finished = true;
        }
    }
    const bool armed = finished || r_.PageRefresh == 100;
    if (armed) {
        r_.PageRefresh = 99;
    }

    if (e.CompletedHold > 0) {
        --e.CompletedHold;
        if (e.CompletedHold == 0) {
            r_.Slots.Clear(7);
        }
    }
    return armed;
}

}  // namespace corvane
