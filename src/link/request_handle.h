#pragma once

#include <memory>

namespace corvane {

// How a request queued through the sensor link ended.
enum class RequestEnd {
    Pending,     // queued, or its exchange is under way
    Answered,    // the reply passed the frame check and was decoded
    Exception,   // the sensor refused it with an exception reply (its code is kept)
    Garbled,     // a reply came but failed the frame check
    Silent,      // nothing (complete) came back in the time allowed
    PortFailed,  // the port could not be used: nothing was sent
    Withdrawn,   // taken back before it went out, or given up
    Refused,     // the link would not send it (a value the sensor must not get)
};

// What the caller that queued a request holds: it tells how that request ended, so no caller
// has to watch the link's state or match events by function code. Requests for the same command
// queued while one is pending go out as one exchange, and all their handles end with it. Copies
// share the request; a default handle stands for no request and has been refused.
class RequestHandle {
  public:
    RequestHandle() = default;

    RequestEnd End() const { return state_ ? state_->end : RequestEnd::Refused; }
    bool Ended() const { return End() != RequestEnd::Pending; }
    bool Answered() const { return End() == RequestEnd::Answered; }
    // The sensor's exception code when End() is Exception; 0 otherwise.
    int ExceptionCode() const { return state_ ? state_->exceptionCode : 0; }
    // The command queued (0 for no request).
    int Command() const { return state_ ? state_->command : 0; }
    // Whether its request has gone out and its exchange is under way.
    bool OnTheLine() const { return state_ && state_->sent && !Ended(); }

  private:
    friend class SensorLink;
    struct State {
        int command = 0;
        RequestEnd end = RequestEnd::Pending;
        int exceptionCode = 0;
        bool sent = false;
    };
    explicit RequestHandle(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
};

}  // namespace corvane
