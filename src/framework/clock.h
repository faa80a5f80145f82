#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace corvane::fw {

// Local calendar date and time as the PC's clock gives it.
struct DateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 6;  // 0 = Sunday
};

// The moment a local calendar date and time names, as the system clock counts.
std::chrono::system_clock::time_point TimePointOf(const DateTime& local);

// A repeating timer. Start while running restarts it with the new period.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void Start(int periodMs) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

// Time as the link and the windows live by it: today's date and time, the same moment to the
// millisecond, and repeating timers. The window host serves it on the desktop's clock; the
// command line and the tests on a virtual clock.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime Now() const = 0;
    // The same moment to the millisecond, for stamping readings. By default Now() to the second.
    virtual std::chrono::system_clock::time_point PreciseNow() const;
    virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) = 0;
};

}  // namespace corvane::fw
