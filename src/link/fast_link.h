#pragma once

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
class FastLink : private LinkObserver {
  public:
    FastLink(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
             fw::OperatorPrompts& prompts, EventWait& wait, int timeoutMs);
    ~FastLink() override;

    // Sends the next request (the lowest pending command, or the measurement poll) and waits
    // until its exchange has ended.
    ExchangeEnded Step();

    SensorLink& Link() { return link_; }
    CommandEngine& Engine() { return link_.Engine(); }
    void SetTimeoutMs(int timeoutMs) { timeoutMs_ = timeoutMs; }
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
    bool AwaitingReply() const;
    bool CanBeginReply(std::uint8_t byte) const;
    bool IsReplyFunction(std::uint8_t byte) const;
    int FrameGapMs() const;
    bool KeepsEngineRhythm(int function) const;
    int RequestLineMs() const;
    void PortHasFailed(const PortFailure& failure) override { lastPortFailure_ = failure; }

    SharedRecords& r_;
    EventWait& wait_;
    int timeoutMs_;
    std::unique_ptr<Tap> tap_;
    std::unique_ptr<IdleTimer> linkTimer_;
    SensorLink link_;
    std::unique_ptr<fw::Timer> silence_;
    std::unique_ptr<fw::Timer> quiet_;  // runs until the line has been silent for a frame gap
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
int ScanAddresses(FastLink& link, int from, int to, const std::function<bool()>& mayGoOn,
                  const std::function<bool(const ExchangeEnded&)>& probed);

}  // namespace corvane
