#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "link/link_states.h"
#include "link/rtu_framing.h"
#include "link/serial_channel.h"

namespace corvane {

struct SharedRecords;
class FlashBlockReader;
class DownloadReplyHandler;
namespace fw {
class Clock;
class OperatorPrompts;
class Timer;
}  // namespace fw

// The link engine: one call of Tick per tick of the link timer, one call of OnSerialByte per
// received byte. On a tick with no request outstanding it runs the address scan step, chooses
// the lowest pending command (or the measurement poll), has it encoded and framed, and writes
// it; on the other ticks it counts the outstanding request's ticks and reports it overdue,
// timed out and finally resets the link. It never waits: time comes from the ticks, today's date
// from the clock, and it reaches the operator through the prompts. The sensor link owns it.
class CommandEngine : public ByteReceiver {
  public:
    static constexpr int kTickMs = 200;
    static constexpr int kFastBlockTickMs = 50;

    CommandEngine(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
                  fw::OperatorPrompts& prompts, fw::Timer& linkTimer);

    // One tick of timer 1. True when this tick's completion step armed the page refresh (the
    // request then waits for the next window step to be acted on).
    bool Tick();
    void OnSerialByte(std::uint8_t byte, int portNumber) override;

    // The download's block reader and reply handler, once the download sequence exists.
    void SetFlashBlockReader(FlashBlockReader* reader) { blockReader_ = reader; }
    void SetDownloadReplyHandler(DownloadReplyHandler* handler) { downloadReplies_ = handler; }

    FrameEvent LastFrameEvent() const { return lastFrameEvent_; }

    // Called each time a reply ends an exchange (it passed the frame check and was decoded into
    // the records, it failed the check, or it was an exception reply), within the byte that
    // completed it, with the function of the request it answered.
    using ReplyObserver = std::function<void(int function, FrameEvent event)>;
    void SetReplyObserver(ReplyObserver onReply) { onReply_ = std::move(onReply); }

    // A traffic trace: every frame written, and every run of received bytes that ended an
    // exchange (or arrived between exchanges), with what the assembler made of it.
    using SentObserver = std::function<void(std::span<const std::uint8_t> frame)>;
    using ReceivedObserver =
        std::function<void(std::span<const std::uint8_t> bytes, FrameEvent event)>;
    void SetTrace(SentObserver onSent, ReceivedObserver onReceived) {
        onSent_ = std::move(onSent);
        onReceived_ = std::move(onReceived);
    }

  private:
    void SendingTick();
    void WaitingTick();
    bool CommonTail();

    void StopFailedDownload();
    void OpenPortIfRequested();
    void ResetLink();
    void TimeOutLongCommand();
    void TimeOutBlockCount();
    void TimeOutFirstStage();
    void TimeOutSecondStage();
    void TimeOutStamp(DownloadOrigin origin, int command);
    void RepeatDownloadCommand(int command);
    void AnnounceReset();
    void TimeOutCompletely();
    void AdvanceSpinner();

    SharedRecords& r_;
    SerialChannel& channel_;
    fw::Clock& clock_;
    fw::OperatorPrompts& prompts_;
    fw::Timer& linkTimer_;
    FlashBlockReader* blockReader_ = nullptr;
    DownloadReplyHandler* downloadReplies_ = nullptr;
    FrameEvent lastFrameEvent_ = FrameEvent::Incomplete;
    SentObserver onSent_;
    ReceivedObserver onReceived_;
    ReplyObserver onReply_;
    std::vector<std::uint8_t> received_;
};

}  // namespace corvane
