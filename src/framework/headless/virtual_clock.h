#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace corvane::fw {

// Time that passes only when a test (or the headless program) says so. Events run in time
// order; events due at the same moment run in the order they were scheduled. Times are in
// microseconds from the clock's start.
//
// A driver that runs the clock in real time (the Qt event loop's RealTimePump) sleeps until
// NextDueMicros(), is told through the schedule observer when an earlier event is scheduled,
// and gives the clock a time source so that code outside a run (a Qt event handler) schedules
// from the real present rather than from the last event that ran. Without a driver the clock
// stands still between runs, exactly as the tests need it.
class VirtualClock {
  public:
    using Micros = std::int64_t;
    using EventId = std::uint64_t;

    // Outside a run with a time source set, first catches up with the source (see
    // SetTimeSource).
    Micros Now();

    EventId At(Micros when, std::function<void()> action);
    EventId After(Micros delay, std::function<void()> action) {
        return At(Now() + delay, std::move(action));
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
    // Time of the earliest pending event; nothing when none is pending.
    std::optional<Micros> NextDueMicros() const;

    // Called whenever an event is scheduled ahead of every pending one, so that NextDueMicros()
    // has moved earlier (or from nothing to a time). Also called from inside a run. An empty
    // function removes the observer.
    void SetScheduleObserver(std::function<void()> onEarlierEvent) {
        onEarlierEvent_ = std::move(onEarlierEvent);
    }
    // Where real time stands, in the clock's microseconds. Outside a run, Now() and At() first
    // move the clock forward to it, but never past a pending event, which keeps every event
    // running at its own time and in order. Inside a run the clock stays at the running
    // event's time. An empty function removes the source.
    void SetTimeSource(std::function<Micros()> source) { timeSource_ = std::move(source); }

  private:
    using Key = std::pair<Micros, EventId>;
    void CatchUp();

    Micros now_ = 0;
    EventId nextId_ = 1;
    int runDepth_ = 0;
    std::map<Key, std::function<void()>> events_;
    std::map<EventId, Micros> whenById_;
    std::function<void()> onEarlierEvent_;
    std::function<Micros()> timeSource_;
};

inline constexpr VirtualClock::Micros kMillisecond = 1000;
inline constexpr VirtualClock::Micros kSecond = 1000 * kMillisecond;

}  // namespace corvane::fw
