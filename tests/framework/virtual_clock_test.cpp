#include "framework/headless/virtual_clock.h"

#include <gtest/gtest.h>

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
