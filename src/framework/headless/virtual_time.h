#pragma once

#include <optional>

#include "framework/clock.h"
#include "framework/headless/virtual_clock.h"

namespace corvane::fw {

// Time on a virtual clock: the date and time start at a fixed moment and advance with the clock,
// and timers fire as the clock runs. The tests and the command line keep their time this way.
class VirtualTime : public Clock {
  public:
    VirtualTime(VirtualClock& clock, DateTime start) : clock_(clock), start_(start) {}
    // Starting at a moment of the system clock, to the microsecond, in the local time zone.
    VirtualTime(VirtualClock& clock, std::chrono::system_clock::time_point start)
        : clock_(clock), start_(), preciseStart_(start) {}

    DateTime Now() const override;
    // The start moment plus the clock's time, to the microsecond.
    std::chrono::system_clock::time_point PreciseNow() const override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;

  private:
    VirtualClock& clock_;
    DateTime start_;
    std::optional<std::chrono::system_clock::time_point> preciseStart_;
};

}  // namespace corvane::fw
