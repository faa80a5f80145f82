#include "framework/headless/virtual_clock.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "framework/headless/headless_host.h"

namespace corvane::fw {
namespace {

TEST(VirtualClock, eventsRunInTimeOrderThenInSchedulingOrder) {
    VirtualClock clock;
    std::vector<int> order;
    clock.At(300, [&] { order.push_back(3); });
    clock.At(100, [&] { order.push_back(1); });
    clock.At(100, [&] { order.push_back(2); });
    const auto cancelled = clock.At(200, [&] { order.push_back(99); });
    clock.Cancel(cancelled);
    clock.RunUntil(250);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(clock.Now(), 250);
    clock.RunUntil(1000);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(VirtualClock, nextDueIsTheEarliestPendingEventOrNothing) {
    VirtualClock clock;
    EXPECT_FALSE(clock.NextDueMicros().has_value());
    clock.At(500, [] {});
    const auto early = clock.At(200, [] {});
    EXPECT_EQ(clock.NextDueMicros(), 200);
    clock.Cancel(early);
    EXPECT_EQ(clock.NextDueMicros(), 500);
    clock.RunUntil(400);
    EXPECT_EQ(clock.NextDueMicros(), 500);
    clock.RunUntil(600);
    EXPECT_FALSE(clock.NextDueMicros().has_value());
    EXPECT_EQ(clock.NextEventTime(), 600);
}

TEST(VirtualClock, observerHearsOfEveryEventScheduledAheadOfThePendingOnes) {
    VirtualClock clock;
    std::vector<std::optional<VirtualClock::Micros>> heard;
    clock.SetScheduleObserver([&] { heard.push_back(clock.NextDueMicros()); });
    clock.At(500, [] {});
    clock.At(700, [] {});
    clock.At(500, [] {});  // due together with the first, after it: nothing earlier
    clock.At(300, [&] {
        clock.After(10, [] {});    // inside a run: 310 comes before 500
        clock.After(1000, [] {});  // 1300: later than what is pending
    });
    EXPECT_EQ(heard, (std::vector<std::optional<VirtualClock::Micros>>{500, 300}));
    clock.RunUntil(300);
    EXPECT_EQ(heard, (std::vector<std::optional<VirtualClock::Micros>>{500, 300, 310}));
    clock.RunUntil(2000);
    clock.After(0, [] {});  // a post on an empty clock is due at once
    EXPECT_EQ(heard, (std::vector<std::optional<VirtualClock::Micros>>{500, 300, 310, 2000}));
    clock.SetScheduleObserver({});
    clock.After(-5, [] {});
    EXPECT_EQ(heard.size(), 4u);
}

TEST(VirtualClock, outsideARunTheClockFollowsItsTimeSourceUpToThePendingEvent) {
    VirtualClock clock;
    VirtualClock::Micros real = 0;
    clock.SetTimeSource([&] { return real; });
    real = 1000;
    EXPECT_EQ(clock.Now(), 1000);
    std::vector<VirtualClock::Micros> ranAt;
    clock.After(500, [&] {
        ranAt.push_back(clock.Now());  // at its own time, though the source is further on
        clock.After(100, [&] { ranAt.push_back(clock.Now()); });
    });
    real = 2000;
    EXPECT_EQ(clock.Now(), 1500) << "the event due at 1500 has not run yet";
    EXPECT_TRUE(ranAt.empty());
    clock.RunUntil(real);
    EXPECT_EQ(ranAt, (std::vector<VirtualClock::Micros>{1500, 1600}));
    EXPECT_EQ(clock.Now(), 2000);
    real = 5000;
    clock.After(250, [] {});  // a delay counts from the source's present
    EXPECT_EQ(clock.NextDueMicros(), 5250);
    real = 4000;  // a source that stepped back does not move the clock back
    EXPECT_EQ(clock.Now(), 5000);
    clock.SetTimeSource({});
    real = 9000;
    EXPECT_EQ(clock.Now(), 5000);
}

TEST(HeadlessTimers, restartingFromTheHandlerChangesThePeriod) {
    VirtualClock clock;
    HeadlessHost host(clock);
    std::vector<VirtualClock::Micros> ticks;
    std::unique_ptr<Timer> timer;
    timer = host.CreateTimer([&] {
        ticks.push_back(clock.Now());
        timer->Start(ticks.size() == 2 ? 50 : 200);
    });
    timer->Start(200);
    clock.RunUntil(700 * kMillisecond);
    EXPECT_EQ(ticks, (std::vector<VirtualClock::Micros>{200'000, 400'000, 450'000, 650'000}));
    timer->Stop();
    clock.RunUntil(2 * kSecond);
    EXPECT_EQ(ticks.size(), 4u);
}

TEST(HeadlessBoxes, shownAfterTheRunningHandlerAndAnsweredFromTheScript) {
    VirtualClock clock;
    HeadlessHost host(clock);
    host.ScriptAnswers({Answer::Ok, Answer::No});
    std::vector<std::string> events;
    clock.At(10, [&] {
        host.PostBox({"Question ?", "Caption", Icon::Question, Buttons::YesNo},
                     [&](Answer a) { events.push_back(a == Answer::No ? "no" : "yes"); });
        events.push_back("handler returned");
    });
    host.PostBox({"Done", "", Icon::Information, Buttons::Ok},
                 [&](Answer a) { events.push_back(a == Answer::Ok ? "ok" : "?"); });
    clock.RunUntil(100);
    EXPECT_EQ(events, (std::vector<std::string>{"ok", "handler returned", "no"}));
    ASSERT_EQ(host.Boxes().size(), 2u);
    EXPECT_EQ(host.Boxes()[1].box.text, "Question ?");
}

TEST(HeadlessDate, advancesWithTheVirtualClock) {
    VirtualClock clock;
    HeadlessHost host(clock, DateTime{2026, 12, 31, 23, 59, 30, 4});
    clock.RunUntil(45 * kSecond);
    const DateTime now = host.Now();
    EXPECT_EQ(now.year, 2027);
    EXPECT_EQ(now.month, 1);
    EXPECT_EQ(now.day, 1);
    EXPECT_EQ(now.minute, 0);
    EXPECT_EQ(now.second, 15);
    EXPECT_EQ(now.weekday, 5);
}

}  // namespace
}  // namespace corvane::fw
