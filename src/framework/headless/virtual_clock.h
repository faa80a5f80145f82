#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

namespace corvane::fw {

// Time that passes only when a test (or the headless program) says so. Events run in time
// order; events due at the same moment run in the order they were scheduled. Times are in
// microseconds from the clock's start.
class VirtualClock {
  public:
    using Micros = std::int64_t;
    using EventId = std::uint64_t;

    Micros Now() const { return now_; }

    EventId At(Micros when, std::function<void()> action);
    EventId After(Micros delay, std::function<void()> action) {
        return At(now_ + delay, std::move(action));
    }
    void Cancel(EventId id);

    // Runs the earliest pending event, advancing the clock to its time. False when none is left.
    bool RunNext();
    // Runs every event due up to `when`, then stands at `when`.
    void RunUntil(Micros when);
    void RunFor(Micros duration) { RunUntil(now_ + duration); }
    // Runs events until `done` holds or `limit` of virtual time has passed; true if it held.
    bool RunUntilTrue(const std::function<bool()>& done, Micros limit);

    std::size_t PendingEvents() const { return events_.size(); }
    // Time of the earliest pending event; Now() when there is none.
    Micros NextEventTime() const { return events_.empty() ? now_ : events_.begin()->first.first; }

  private:
    using Key = std::pair<Micros, EventId>;
    Micros now_ = 0;
    EventId nextId_ = 1;
    std::map<Key, std::function<void()>> events_;
    std::map<EventId, Micros> whenById_;
};

inline constexpr VirtualClock::Micros kMillisecond = 1000;
inline constexpr VirtualClock::Micros kSecond = 1000 * kMillisecond;

}  // namespace corvane::fw
