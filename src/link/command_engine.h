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
class Host;
class Timer;
}  // namespace fw

// The link engine: one call of Tick per tick of the link timer, one call of OnSerialByte per
// received byte. On a tick with no request outstanding it runs the address scan step, chooses
// the lowest pending command (or the measurement poll), has it encoded and framed, and writes
// it; on the other ticks it counts the outstanding request's ticks and reports it overdue,
// timed out and finally resets the link. It never waits and never reads a clock: time comes
// from the ticks, today's date and boxes from the host.
class CommandEngine : public ByteReceiver {
  public:
    static constexpr int kTickMs = 200;
    static constexpr int kFastBlockTickMs = 50;

    CommandEngine(SharedRecords& records, SerialChannel& channel, fw::Host& host,
                  fw::Timer& linkTimer);

    // One tick of timer 1. True when this tick's completion step armed the page refresh (the
    // request then waits for the next window step to be acted on).
    bool Tick();
    void OnSerialByte(std::uint8_t byte, int portNumber) override;

    // The download's block reader and reply handler, once the download sequence exists.
    void SetFlashBlockReader(FlashBlockReader* reader) { blockReader_ = reader; }
    void SetDownloadReplyHandler(DownloadReplyHandler* handler) { downloadReplies_ = handler; }

    FrameEvent LastFrameEvent() const { return lastFrameEvent_; }

    // Called each time a measurement poll is answered, right after its reply has been decoded
    // into the records (readings and the sensor's status lines), within the byte that completed
    // it. A reply that fails the frame check, or an exception reply, is no answer.
    void SetAnsweredPollObserver(std::function<void()> onAnswered) {
        onPollAnswered_ = std::move(onAnswered);
    }

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
    fw::Host& host_;
    fw::Timer& linkTimer_;
    FlashBlockReader* blockReader_ = nullptr;
    DownloadReplyHandler* downloadReplies_ = nullptr;
    FrameEvent lastFrameEvent_ = FrameEvent::Incomplete;
    SentObserver onSent_;
    ReceivedObserver onReceived_;
    std::function<void()> onPollAnswered_;
    std::vector<std::uint8_t> received_;
};

}  // namespace corvane
