#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/link_outcomes.h"
#include "link/rtu_framing.h"
#include "link/sensor_link.h"
#include "link/serial_channel.h"

namespace corvane {

struct SharedRecords;
namespace fw {
class Clock;
class OperatorPrompts;
class Timer;
}  // namespace fw

// Waits for the next thing to happen: a byte, a timer, a posted action. The command line waits
// on the Qt event loop; the tests run the virtual clock to its next event.
class EventWait {
  public:
    virtual ~EventWait() = default;
    // Lets at least one event run, waiting for one when none is due. False when nothing could
    // ever happen again (no event pending on a virtual clock).
    virtual bool WaitForEvent() = 0;
};

// What an exchange was, for a message: "the measurement poll (function 0x35) to address 5".
std::string DescribeRequest(int function, int address);

// The sensor link run as fast as the line allows, for the command line. The engine does all the
// work as it does in the desktop tool (the same requests, replies, retries and time-outs); only
// the rhythm differs: the next request goes out once the line has been silent for a frame gap
// (3.5 characters) after a reply rather than at the next 200 ms tick, and a silent sensor is
// given up after `timeoutMs` of silence rather than after the engine's ticks, which are then
// run at once. Bytes outside a reply never reach the engine: those that arrive between
// exchanges are dropped, and so is noise in front of a reply, up to the sensor's address and
// the request's function that a reply begins with. The sensor's own slow operations (the
// long commands, erasing and restarting for a software download, the stamps that follow) keep
// the engine's 200 ms ticks, since no faster schedule makes the sensor finish sooner.
//
// A reply always belongs to the request last sent, even through a device server that answers
// later than the time-out: after an exchange a time-out ended, another request to the same
// sensor waits until the line has been silent for the reply time-out (bytes meanwhile are
// dropped); a reply taken for a request sent again after a time-out may be the late reply to
// the first attempt, so before another request to that sensor the line is left silent for as
// long as that reply took. A late reply seen while waiting raises the time-out to twice the time
// it took, for the rest of the run. The same request sent again needs no wait (the late reply
// answers the same question), nor does a request to another address: a reply begins with the
// address of the sensor that sends it, and one from another address is dropped.
// A probe's answer that came after its time-out: the address, and whether it was a refusal (an
// exception reply) rather than the probe's own answer.
struct LateProbeAnswer {
    int address = 0;
    bool refused = false;
};

class FastLink : private LinkObserver {
  public:
    // The reply time-out when none is given: enough for a device server that adds up to 500 ms.
    static constexpr int kDefaultTimeoutMs = 1000;
    // The most a late reply raises the time-out to.
    static constexpr int kLongestTimeoutMs = 10'000;

    FastLink(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
             fw::OperatorPrompts& prompts, EventWait& wait, int timeoutMs);
    ~FastLink() override;

    // Sends the next request (the lowest pending command, or the measurement poll) and waits
    // until its exchange has ended.
    ExchangeEnded Step();

    SensorLink& Link() { return link_; }
    CommandEngine& Engine() { return link_.Engine(); }
    void SetTimeoutMs(int timeoutMs) { timeoutMs_ = timeoutMs; }
    int TimeoutMs() const { return timeoutMs_; }
    // How long the sensor took to answer the last exchange that a reply ended: from the end of
    // the request on the line to the reply's last byte, in whole milliseconds up.
    int LastAnswerMs() const { return lastAnswerMs_; }
    // The answers (or refusals) to a probe that came too late for it, found whole among the
    // bytes dropped since the last call.
    std::vector<LateProbeAnswer> TakeLateProbeAnswers();
    // The milliseconds from `then` to now, whole milliseconds up.
    int MillisecondsSince(std::chrono::system_clock::time_point then) const;
    // When the last request went out.
    std::chrono::system_clock::time_point LastSentAt() const { return sentAt_; }
    // The time-out a directly attached sensor needs for a reply of `replyBytes` bytes: the
    // reply's line time and the sensor's turn round.
    int PromptReplyTimeoutMs(int replyBytes) const;
    // Told of each exchange that ended without a reply, in words (for --trace).
    void SetEventTrace(std::function<void(const std::string&)> trace) {
        eventTrace_ = std::move(trace);
    }
    // The last failure the port reported (the reason for PortFailed); nothing if none.
    const std::optional<PortFailure>& LastPortFailure() const { return lastPortFailure_; }

  private:
    class Tap;
    class IdleTimer;
    void OnByteDelivered();
    void OnSilence();
    void OnLineActivity();
    void NoteDropped(std::uint8_t byte);
    void TraceDropped(const char* when);
    void NoteLateProbeAnswers();
    bool AwaitingReply() const;
    bool CanBeginReply(std::uint8_t byte) const;
    bool IsReplyFunction(std::uint8_t byte) const;
    int FrameGapMs() const;
    int CharacterBits() const;
    using TimePoint = std::chrono::system_clock::time_point;
    // A reply that may still come for `frame`: before another request to the same sensor the
    // line must have been silent for `silenceMs` since `from` (or since its last byte).
    struct LateReplyRisk {
        std::vector<std::uint8_t> frame;
        TimePoint from;
        int silenceMs = 0;
        TimePoint sentAt;  // when `frame` went out (for the time a late reply took)
    };
    // A request sent again after its time-out, from its first attempt.
    struct Owed {
        std::vector<std::uint8_t> frame;
        TimePoint firstSentAt;
    };
    void WaitOutLateReply(const LateReplyRisk& risk);
    void SendHeldRequest();
    bool KeepsEngineRhythm(int function) const;
    int RequestLineMs() const;
    void PortHasFailed(const PortFailure& failure) override { lastPortFailure_ = failure; }

    SharedRecords& r_;
    fw::Clock& clock_;
    EventWait& wait_;
    int timeoutMs_;
    std::unique_ptr<Tap> tap_;
    std::unique_ptr<IdleTimer> linkTimer_;
    SensorLink link_;
    std::unique_ptr<fw::Timer> silence_;
    std::unique_ptr<fw::Timer> quiet_;  // runs until the line has been silent for a frame gap
    std::unique_ptr<fw::Timer> drain_;  // runs until a late reply has been waited out
    bool draining_ = false;
    int drainMs_ = 0;
    bool lateBytes_ = false;  // bytes came while waiting out a late reply
    TimePoint sentAt_{};      // when the last request went out
    TimePoint lastByteAt_{};  // when the last byte came
    std::optional<LateReplyRisk> risk_;
    std::optional<Owed> owed_;
    int lastAnswerMs_ = 0;
    std::vector<LateProbeAnswer> lateProbeAnswers_;
    bool lineBusy_ = false;
    std::vector<std::uint8_t> dropped_;  // noise not yet told of
    bool waiting_ = false;
    bool ended_ = false;
    std::optional<FrameEvent> lastEvent_;  // how the reply that ended the exchange ended
    std::optional<PortFailure> lastPortFailure_;
    std::function<void(const std::string&)> eventTrace_;
};

// Probes the addresses from `from` to `to` one after the other, as a scan of the line does.
// `mayGoOn` is asked before each probe (false stops the scan there); `probed` is told how each
// probe ended and says whether to go on. Returns the address the scan stopped at, or `to` + 1
// once every address was probed. The address talked to afterwards is the last one probed.
//
// `timeoutMs` is the probe time-out; 0 lets it follow the line: at first what a directly
// attached sensor needs (the probe's reply on the line and the sensor's turn round), and once a
// sensor has answered, at least three times the slowest answer so far.
int ScanAddresses(FastLink& link, int from, int to, int timeoutMs,
                  const std::function<bool()>& mayGoOn,
                  const std::function<bool(const ExchangeEnded&)>& probed);

}  // namespace corvane
