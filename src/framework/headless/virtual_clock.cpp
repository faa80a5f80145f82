#include "framework/headless/virtual_clock.h"

namespace corvane::fw {
namespace {

// Marks the clock as running events for as long as it lives, also when an event throws.
class RunScope {
  public:
    explicit RunScope(int& depth) : depth_(depth) { ++depth_; }
    ~RunScope() { --depth_; }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    int& depth_;
};

}  // namespace

VirtualClock::Micros VirtualClock::Now() {
    CatchUp();
    return now_;
}

void VirtualClock::CatchUp() {
    if (runDepth_ > 0 || !timeSource_) {
        return;
    }
    Micros target = timeSource_();
    if (!events_.empty() && events_.begin()->first.first < target) {
        target = events_.begin()->first.first;  // an overdue event runs at its own time first
    }
    if (target > now_) {
        now_ = target;
    }
}

VirtualClock::EventId VirtualClock::At(Micros when, std::function<void()> action) {
    CatchUp();
    const EventId id = nextId_++;
    if (when < now_) {
        when = now_;
    }
    const bool earliest = events_.empty() || when < events_.begin()->first.first;
    events_.emplace(Key{when, id}, std::move(action));
    whenById_.emplace(id, when);
    if (earliest && onEarlierEvent_) {
        onEarlierEvent_();
    }
    return id;
}

void VirtualClock::Cancel(EventId id) {
    const auto found = whenById_.find(id);
    if (found == whenById_.end()) {
        return;
    }
    events_.erase(Key{found->second, id});
    whenById_.erase(found);
}

std::optional<VirtualClock::Micros> VirtualClock::NextDueMicros() const {
    if (events_.empty()) {
        return std::nullopt;
    }
    return events_.begin()->first.first;
}

bool VirtualClock::RunNext() {
    if (events_.empty()) {
        return false;
    }
    const RunScope running(runDepth_);
    auto first = events_.begin();
    now_ = first->first.first;
    whenById_.erase(first->first.second);
    auto action = std::move(first->second);
    events_.erase(first);
    action();
    return true;
}

void VirtualClock::RunUntil(Micros when) {
    const RunScope running(runDepth_);
    while (!events_.empty() && events_.begin()->first.first <= when) {
        RunNext();
    }
    if (when > now_) {
        now_ = when;
    }
}

bool VirtualClock::RunUntilTrue(const std::function<bool()>& done, Micros limit) {
    const RunScope running(runDepth_);
    const Micros end = now_ + limit;
    while (!done()) {
        if (events_.empty() || events_.begin()->first.first > end) {
            now_ = end > now_ ? end : now_;
            return done();
        }
        RunNext();
    }
    return true;
}

}  // namespace corvane::fw
