#include "link/fast_link.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "framework/clock.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

// Engine ticks are run at once after a silence until the engine has ended the exchange; no
// request waits for more than this many.
constexpr int kMostTicksOfOneRequest = 64;
// What a sensor attached to the port is allowed between the end of a request and the start of
// its reply: its own turn round and a USB adapter's latency timer.
constexpr int kTurnRoundMs = 15;
// A scan's probe time-out is at least this many times the slowest answer so far.
constexpr int kSlowestAnswerTimes = 3;
constexpr int kProbeReplyBytes = 4;

const char* RequestName(int function) {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr ? info->description.data() : "the request";
}

}  // namespace

std::string DescribeRequest(int function, int address) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", function & 0xFF);
    const std::string to = IsBroadcastFunction(function) ? "to every sensor (address 0)"
                                                         : "to address " + std::to_string(address);
    return std::string(RequestName(function)) + " (function " + code + ") " + to;
}

// Passes the channel's bytes on to the engine and tells the link of each one. Only the bytes
// of the reply to the request outstanding reach the engine: bytes between exchanges (the tail
// of a reply cut short, noise) are dropped, and so is noise in front of a reply, up to the
// address and function the reply must begin with.
class FastLink::Tap : public SerialChannel, public ByteReceiver {
  public:
    Tap(SerialChannel& inner, FastLink& link) : inner_(inner), link_(link) {}

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override {
        receiver_ = &receiver;
        return inner_.Open(settings, *this);
    }
    // The engine's request is held until the link lets it go (SendHeld): a late reply to an
    // earlier request may first have to be waited out.
    void Write(std::span<const std::uint8_t> bytes) override {
        frame_.assign(bytes.begin(), bytes.end());
        framePending_ = true;
    }
    bool HasHeldFrame() const { return framePending_; }
    const std::vector<std::uint8_t>& HeldFrame() const { return frame_; }
    void SendHeld() {
        if (!framePending_) return;
        framePending_ = false;
        held_.reset();
        replyBegun_ = false;
        inner_.Write(frame_);
    }
    void SetFailureObserver(FailureObserver observer) override {
        inner_.SetFailureObserver(std::move(observer));
    }
    void OnSerialByte(std::uint8_t byte, int portNumber) override {
        link_.OnLineActivity();
        if (!link_.AwaitingReply()) {
            link_.NoteDropped(byte);
            return;
        }
        if (!replyBegun_) {
            if (!held_) {
                if (link_.CanBeginReply(byte)) {
                    held_ = byte;
                } else {
                    link_.NoteDropped(byte);
                }
                return;
            }
            if (!link_.IsReplyFunction(byte)) {
                link_.NoteDropped(*held_);
                held_.reset();
                if (link_.CanBeginReply(byte)) {
                    held_ = byte;
                } else {
                    link_.NoteDropped(byte);
                }
                return;
            }
            replyBegun_ = true;
            Deliver(*held_, portNumber);
            held_.reset();
            if (!link_.AwaitingReply()) return;
        }
        Deliver(byte, portNumber);
    }

  private:
    void Deliver(std::uint8_t byte, int portNumber) {
        if (receiver_ != nullptr) receiver_->OnSerialByte(byte, portNumber);
        link_.OnByteDelivered();
    }

    SerialChannel& inner_;
    FastLink& link_;
    ByteReceiver* receiver_ = nullptr;
    std::optional<std::uint8_t> held_;  // a byte that may be the reply's address
    bool replyBegun_ = false;
    std::vector<std::uint8_t> frame_;  // the request last written by the engine
    bool framePending_ = false;        // written by the engine, not yet sent
};

// The engine's link timer: the fast link runs the ticks itself, so the period the engine asks
// for is only noted.
class FastLink::IdleTimer : public fw::Timer {
  public:
    void Start(int periodMs) override { periodMs_ = periodMs; }
    void Stop() override { periodMs_ = 0; }
    bool Running() const override { return periodMs_ > 0; }

  private:
    int periodMs_ = 0;
};

FastLink::FastLink(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
                   fw::OperatorPrompts& prompts, EventWait& wait, int timeoutMs)
    : r_(records),
      clock_(clock),
      wait_(wait),
      timeoutMs_(timeoutMs),
      tap_(std::make_unique<Tap>(channel, *this)),
      linkTimer_(std::make_unique<IdleTimer>()),
      link_(records, *tap_, clock, prompts, *linkTimer_),
      silence_(clock.CreateTimer([this] { OnSilence(); })),
      quiet_(clock.CreateTimer([this] {
          lineBusy_ = false;
          quiet_->Stop();
      })),
      drain_(clock.CreateTimer([this] {
          draining_ = false;
          drain_->Stop();
      })) {
    link_.AddObserver(*this);
}

FastLink::~FastLink() = default;

bool FastLink::KeepsEngineRhythm(int function) const {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr && info->slowAnswer;
}

// The bits of one character on the line at the port's settings.
int FastLink::CharacterBits() const {
    const SensorData& s = r_.Sensor;
    return 1 + s.DataBits + (s.Parity == 'N' ? 0 : 1) + s.StopBits;
}

// The time the request takes on the line, at the port's settings, whole milliseconds up.
int FastLink::RequestLineMs() const {
    const SensorData& s = r_.Sensor;
    const long long bitsSent =
        static_cast<long long>(CharacterBits()) * Machine(r_).Link.RequestLength;
    const int baud = s.BaudRate > 0 ? s.BaudRate : 9600;
    return static_cast<int>((bitsSent * 1000 + baud - 1) / baud);
}

int FastLink::PromptReplyTimeoutMs(int replyBytes) const {
    const SensorData& s = r_.Sensor;
    const long long bits = static_cast<long long>(CharacterBits()) * replyBytes;
    const int baud = s.BaudRate > 0 ? s.BaudRate : 9600;
    return static_cast<int>((bits * 1000 + baud - 1) / baud) + kTurnRoundMs;
}

int FastLink::MillisecondsSince(TimePoint then) const {
    const auto elapsed = clock_.PreciseNow() - then;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count();
    return us <= 0 ? 0 : static_cast<int>((us + 999) / 1000);
}

// The silent interval that separates frames on the line: 3.5 characters at the port's settings
// (1.75 ms above 19200 baud, where the character times would leave too little), whole
// milliseconds up.
int FastLink::FrameGapMs() const {
    const SensorData& s = r_.Sensor;
    const int bits = 1 + s.DataBits + (s.Parity == 'N' ? 0 : 1) + s.StopBits;
    const int baud = s.BaudRate > 0 ? s.BaudRate : 9600;
    if (baud > 19200) return 2;
    return static_cast<int>((7LL * bits * 1000 + 2LL * baud - 1) / (2LL * baud));
}

bool FastLink::AwaitingReply() const {
    return waiting_ && !ended_ && Machine(r_).Link.TickCount != 0;
}

bool FastLink::CanBeginReply(std::uint8_t byte) const {
    // A broadcast frame is answered by whichever sensor answers for the line, at its own address.
    return IsBroadcastFunction(Machine(r_).Link.RequestFunction) ||
           byte == static_cast<std::uint8_t>(r_.Sensor.DeviceId);
}

bool FastLink::IsReplyFunction(std::uint8_t byte) const {
    const auto function = static_cast<std::uint8_t>(Machine(r_).Link.RequestFunction);
    return byte == function || byte == (function | 0x80);
}

void FastLink::OnLineActivity() {
    lineBusy_ = true;
    quiet_->Start(FrameGapMs());
    lastByteAt_ = clock_.PreciseNow();
    if (draining_) {
        lateBytes_ = true;
        drain_->Start(drainMs_);  // silence is counted from the last byte
    }
}

// Waits until the line has been silent for the risk's silence since the time-out or the reply it
// follows (or since the last byte, if later), dropping what comes meanwhile. Bytes that came
// are a late reply to the request sent at the risk's `sentAt`: the time-out is raised to twice
// the time it took, so that the next request is given the time its reply needs.
void FastLink::WaitOutLateReply(const LateReplyRisk& risk) {
    const TimePoint quietSince = std::max(risk.from, lastByteAt_);
    const int remaining = risk.silenceMs - MillisecondsSince(quietSince);
    lateBytes_ = lastByteAt_ > risk.from;
    if (remaining > 0) {
        draining_ = true;
        drainMs_ = std::max(risk.silenceMs, 1);
        drain_->Start(remaining);
        while (draining_ && wait_.WaitForEvent()) {
        }
        draining_ = false;
        drain_->Stop();
    }
    if (!lateBytes_) return;
    TraceDropped("after the time-out (a late reply)");
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(lastByteAt_ - risk.sentAt);
    const long long raised = std::min<long long>(2 * took.count(), kLongestTimeoutMs);
    if (raised > timeoutMs_) {
        timeoutMs_ = static_cast<int>(raised);
        if (eventTrace_) {
            eventTrace_("-- a reply came " + std::to_string(took.count()) +
                        " ms after its request: the reply time-out is now " +
                        std::to_string(timeoutMs_) + " ms");
        }
    }
}

// Before a request goes out: a reply that may still come for another request to the same
// sensor (or to every sensor) is waited out. The same request sent again needs no wait (a late
// reply to the first attempt answers the same question), nor does a request to another address
// (the reply's address tells them apart).
void FastLink::SendHeldRequest() {
    const std::vector<std::uint8_t>& frame = tap_->HeldFrame();
    if (risk_) {
        const std::vector<std::uint8_t>& earlier = risk_->frame;
        const bool same = frame == earlier;
        const bool otherAddress = frame.size() >= 2 && earlier.size() >= 2 &&
                                  !IsBroadcastFunction(frame[1]) &&
                                  !IsBroadcastFunction(earlier[1]) && frame[0] != earlier[0];
        if (!same && !otherAddress) WaitOutLateReply(*risk_);
        risk_.reset();
    }
    if (owed_ && owed_->frame != frame) owed_.reset();
    tap_->SendHeld();
}

void FastLink::NoteDropped(std::uint8_t byte) {
    dropped_.push_back(byte);
}

ExchangeEnded FastLink::Step() {
    // As an RTU master must: what is waiting is dropped, and the request goes out only once the
    // line has been silent for a frame gap, so that the tail of an earlier reply or noise after
    // it cannot be taken for the start of this one's.
    while (lineBusy_ && wait_.WaitForEvent()) {
    }
    lineBusy_ = false;
    TraceDropped("between exchanges");
    ended_ = false;
    link_.Tick();
    if (tap_->HasHeldFrame()) SendHeldRequest();
    ExchangeEnded exchange{Machine(r_).Link.RequestFunction, Machine(r_).Link.TxFrame[0],
                           Outcome::Silent};
    if (Machine(r_).Engine.TransmitInhibit) {
        // The port would not open: the engine withholds every request from now on.
        exchange.outcome = Outcome::PortFailed;
        wait_.WaitForEvent();  // lets the port's box (the reason) be shown
        return exchange;
    }
    if (Machine(r_).Link.TickCount == 0) return exchange;  // nothing went out
    const std::vector<std::uint8_t> frame = tap_->HeldFrame();
    const TimePoint sentAt = clock_.PreciseNow();
    const int requestMs = RequestLineMs();
    sentAt_ = sentAt;
    waiting_ = true;
    silence_->Start(KeepsEngineRhythm(exchange.function) ? CommandEngine::kTickMs
                                                         : requestMs + timeoutMs_);
    bool anythingPending = true;
    while (!ended_ && anythingPending) anythingPending = wait_.WaitForEvent();
    waiting_ = false;
    silence_->Stop();
    if (!ended_) {
        OnSilence();  // nothing more can happen: give the request up now
    }
    if (Machine(r_).Link.TickCount == 0 && lastEvent_.has_value()) {
        switch (*lastEvent_) {
            case FrameEvent::Passed: exchange.outcome = Outcome::Answered; break;
            case FrameEvent::Exception: exchange.outcome = Outcome::Exception; break;
            case FrameEvent::Failed: exchange.outcome = Outcome::Garbled; break;
            default: break;
        }
    }
    lastEvent_.reset();
    TraceDropped("before the reply");
    if (exchange.outcome == Outcome::Silent) {
        if (eventTrace_) {
            eventTrace_("-- no reply to " + DescribeRequest(exchange.function, r_.Sensor.DeviceId));
        }
        // Its reply may yet come.
        risk_ = LateReplyRisk{frame, clock_.PreciseNow(), timeoutMs_, sentAt};
        if (!owed_ || owed_->frame != frame) owed_ = Owed{frame, sentAt};
    } else {
        lastAnswerMs_ = std::max(0, MillisecondsSince(sentAt) - requestMs);
        if (owed_ && owed_->frame == frame) {
            // The request was sent again after a time-out: this reply may be the late one to an
            // earlier attempt, and this attempt's own still on its way. Before another request
            // to this sensor the line is left silent for as long as the earlier one took.
            const TimePoint now = clock_.PreciseNow();
            risk_ = LateReplyRisk{
                frame, now, std::max(MillisecondsSince(owed_->firstSentAt), timeoutMs_), sentAt};
        }
        owed_.reset();
    }
    return exchange;
}

// A probe's answer (the address, the function, the CRC) or its exception reply, whole among
// the bytes dropped: a sensor that answered after the probe's time-out.
void FastLink::NoteLateProbeAnswers() {
    const std::size_t n = dropped_.size();
    for (std::size_t i = 0; i + 4 <= n; ++i) {
        const std::uint8_t function = dropped_[i + 1];
        const std::size_t length = function == fn::kProbe            ? 4
                                   : function == (fn::kProbe | 0x80) ? 5
                                                                     : 0;
        if (length == 0 || i + length > n ||
            !FrameCheckPasses(&dropped_[i], static_cast<int>(length))) {
            continue;
        }
        lateProbeAnswers_.push_back(dropped_[i]);
        i += length - 1;
    }
}

std::vector<int> FastLink::TakeLateProbeAnswers() {
    TraceDropped("between exchanges");
    return std::exchange(lateProbeAnswers_, {});
}

void FastLink::TraceDropped(const char* when) {
    if (dropped_.empty()) return;
    NoteLateProbeAnswers();
    if (eventTrace_) {
        std::string text = "-- line noise " + std::string(when) + ", dropped:";
        for (const std::uint8_t byte : dropped_) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            text += hex;
        }
        eventTrace_(text);
    }
    dropped_.clear();
}

void FastLink::OnByteDelivered() {
    if (!waiting_ || ended_) return;
    if (Machine(r_).Link.TickCount == 0) {
        ended_ = true;
        lastEvent_ = link_.Engine().LastFrameEvent();
    } else if (!KeepsEngineRhythm(Machine(r_).Link.RequestFunction)) {
        silence_->Start(timeoutMs_);  // silence is counted from the last byte
    }
}

void FastLink::OnSilence() {
    if (ended_) return;
    if (waiting_ && KeepsEngineRhythm(Machine(r_).Link.RequestFunction)) {
        link_.Tick();  // one of the engine's own ticks
    } else {
        for (int tick = 0; tick < kMostTicksOfOneRequest && Machine(r_).Link.TickCount != 0;
             ++tick) {
            link_.Tick();
        }
    }
    if (Machine(r_).Link.TickCount == 0) ended_ = true;
}

int ScanAddresses(FastLink& link, int from, int to, int timeoutMs,
                  const std::function<bool()>& mayGoOn,
                  const std::function<bool(const ExchangeEnded&)>& probed) {
    const bool followLine = timeoutMs <= 0;
    const int prompt = link.PromptReplyTimeoutMs(kProbeReplyBytes);
    link.SetTimeoutMs(followLine ? prompt : timeoutMs);
    int slowest = 0;
    const auto answered = [&](int ms) {
        slowest = std::max(slowest, ms);
        if (followLine) link.SetTimeoutMs(std::max(prompt, kSlowestAnswerTimes * slowest));
    };
    std::map<int, std::chrono::system_clock::time_point> probedAt;  // silent so far
    link.TakeLateProbeAnswers();
    for (int address = from; address <= to; ++address) {
        if (!mayGoOn()) return address;
        link.Link().ProbeAddress(address);
        const ExchangeEnded probe = link.Step();
        if (probe.outcome == Outcome::Silent) {
            probedAt[address] = link.LastSentAt();
        } else if (probe.outcome != Outcome::PortFailed) {
            answered(link.LastAnswerMs());
        }
        if (!probed(probe)) return address;
        // An answer that came after its probe's time-out still says a sensor is there.
        for (const int late : link.TakeLateProbeAnswers()) {
            const auto at = probedAt.find(late);
            if (at == probedAt.end()) continue;
            answered(link.MillisecondsSince(at->second));
            probedAt.erase(at);
            ExchangeEnded answer{fn::kProbe, late, Outcome::Answered, {}};
            if (!probed(answer)) return address + 1;
        }
    }
    return to + 1;
}

}  // namespace corvane
