#include "framework/headless/virtual_clock.h"

namespace corvane::fw {

VirtualClock::EventId VirtualClock::At(Micros when, std::function<void()> action) {
    const EventId id = nextId_++;
    if (when < now_) {
        when = now_;
    }
    events_.emplace(Key{when, id}, std::move(action));
    whenById_.emplace(id, when);
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

bool VirtualClock::RunNext() {
    if (events_.empty()) {
        return false;
    }
    auto first = events_.begin();
    now_ = first->first.first;
    whenById_.erase(first->first.second);
    auto action = std::move(first->second);
    events_.erase(first);
    action();
    return true;
}

void VirtualClock::RunUntil(Micros when) {
    while (!events_.empty() && events_.begin()->first.first <= when) {
        RunNext();
    }
    if (when > now_) {
        now_ = when;
    }
}

bool VirtualClock::RunUntilTrue(const std::function<bool()>& done, Micros limit) {
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
