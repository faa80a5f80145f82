#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "framework/headless/virtual_clock.h"

namespace corvane::fw {

// Keeps a virtual clock up with real time inside a Qt event loop, so that the headless backend
// and the in-process virtual line can run among real serial ports and real windows.
//
// The pump sleeps until the clock's next event is due: one single-shot timer, armed for that
// moment and armed again whenever an earlier event is scheduled (a post from a Qt event handler
// is due at once, so it runs on the next pass of the event loop). While nothing is due the
// program does not wake for the clock at all. The pump is also the clock's time source, so a
// handler outside a run schedules from the real present.
class RealTimePump {
  public:
    explicit RealTimePump(VirtualClock& clock) : clock_(clock), start_(clock.Now()) {
        elapsed_.start();
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Run(); });
        clock_.SetTimeSource([this] { return RealNow(); });
        clock_.SetScheduleObserver([this] {
            if (!running_) Arm();  // after a run the pump arms for what the run left
        });
        Arm();
    }
    ~RealTimePump() {
        clock_.SetScheduleObserver({});
        clock_.SetTimeSource({});
    }
    RealTimePump(const RealTimePump&) = delete;
    RealTimePump& operator=(const RealTimePump&) = delete;

  private:
    VirtualClock::Micros RealNow() const { return start_ + elapsed_.nsecsElapsed() / 1000; }

    void Run() {
        running_ = true;
        clock_.RunUntil(RealNow());
        running_ = false;
        Arm();
    }

    void Arm() {
        const auto due = clock_.NextDueMicros();
        if (!due) {
            timer_.stop();
            return;
        }
        // Rounded up to whole milliseconds, so the timer never fires before the event is due;
        // a far event is reached in steps of a minute, which keeps the count within an int.
        const VirtualClock::Micros wait = *due - RealNow();
        const VirtualClock::Micros waitMs =
            wait <= 0 ? 0 : std::min((wait + kMillisecond - 1) / kMillisecond, kLongestWaitMs);
        timer_.start(static_cast<int>(waitMs));
    }

    static constexpr VirtualClock::Micros kLongestWaitMs = 60'000;

    VirtualClock& clock_;
    const VirtualClock::Micros start_;
    QElapsedTimer elapsed_;
    QTimer timer_;
    bool running_ = false;
};

}  // namespace corvane::fw
