#include "calibration/stability.h"

#include <gtest/gtest.h>

namespace corvane::calibration {
namespace {

using std::chrono::milliseconds;

const TimePoint kStart = TimePoint{} + std::chrono::hours(500'000);

// Polls every `periodMs` from `from` for `count` polls, each reading `value(i)`.
template <typename Value>
void Feed(StabilityWindow& window, int count, int periodMs, Value value, TimePoint from = kStart) {
    for (int i = 0; i < count; ++i) window.Add(from + milliseconds(i * periodMs), value(i));
}

// Both conditions hold a window back: 10 s of polls at 200 ms is 51 polls; 25 polls a second
// apart are 24 s; 30 fast polls over 3 s are not enough time.
TEST(StabilityWindow, needsBothItsSecondsAndItsPolls) {
    const StabilityRule rule;
    StabilityWindow fast;
    Feed(fast, 30, 100, [](int) { return 92.5; });
    EXPECT_FALSE(fast.Latest(rule));
    EXPECT_NEAR(fast.Progress(rule), 0.29, 0.01);
    Feed(
        fast, 80, 100, [](int) { return 92.5; }, kStart + milliseconds(3000));
    ASSERT_TRUE(fast.Latest(rule));
    EXPECT_EQ(fast.Latest(rule)->polls, 101) << "the newest stretch just long enough";
    EXPECT_DOUBLE_EQ(fast.Latest(rule)->Seconds(), 10.0);

    StabilityWindow slow;
    Feed(slow, 24, 1000, [](int) { return 92.5; });
    EXPECT_FALSE(slow.Latest(rule)) << "23 s but only 24 polls";
    Feed(
        slow, 1, 1000, [](int) { return 92.5; }, kStart + milliseconds(24'000));
    EXPECT_TRUE(slow.Latest(rule));
}

// The spread of the newest stretch decides: a drift larger than the tolerance keeps it
// unsettled, a single step of the sensor's resolution does not, and an old jump no longer counts.
TEST(StabilityWindow, judgesTheSpreadOfTheNewestStretchOnly) {
    const StabilityRule rule;
    const StepPlan point = *ConductivityPoint(92.5);
    const double tolerance = ToleranceOf(point, rule);
    EXPECT_DOUBLE_EQ(tolerance, 0.185);
    StabilityWindow drifting;
    Feed(drifting, 60, 200, [](int i) { return 90.0 + 0.005 * i; });  // 0.3 mS/cm in 12 s
    EXPECT_FALSE(drifting.Stable(rule, tolerance));

    StabilityWindow settled;
    Feed(settled, 60, 200, [](int i) { return i < 5 ? 80.0 : (i % 2 ? 92.5 : 92.4); });
    EXPECT_TRUE(settled.Stable(rule, tolerance)) << "the jump lies before the newest 10 s";
    const auto figures = settled.Latest(rule);
    EXPECT_NEAR(figures->Spread(), 0.1, 1e-9);
    EXPECT_NEAR(figures->mean, 92.45, 0.01);
    EXPECT_GT(figures->stdDev, 0.0);
}

// The tolerance per step, never finer than what the sensor can report.
TEST(StabilityWindow, tolerancesFollowThePointAndTheUnit) {
    const StabilityRule rule;
    EXPECT_DOUBLE_EQ(ToleranceOf(*ConductivityPoint(925), rule), 1.85);
    EXPECT_DOUBLE_EQ(ToleranceOf(*ConductivityPoint(9.25), rule), kConductivityStep);
    EXPECT_DOUBLE_EQ(ToleranceOf(*ConductivityPoint(0), rule), kConductivityStep);
    EXPECT_DOUBLE_EQ(ToleranceOf(TemperatureStep(25, false), rule), 0.1);
    EXPECT_NEAR(ToleranceOf(TemperatureStep(77, true), rule), 0.18, 1e-12);
    EXPECT_DOUBLE_EQ(ToleranceOf(OutputStep(20), rule), 0.02);
    EXPECT_FALSE(ConductivityPoint(50.0));
}

// A clock set back starts over rather than judging readings out of order.
TEST(StabilityWindow, aClockSetBackStartsANewStretch) {
    StabilityWindow window;
    Feed(window, 60, 200, [](int) { return 92.5; });
    window.Add(kStart - std::chrono::seconds(5), 92.5);
    EXPECT_EQ(window.Samples().size(), 1u);
    EXPECT_FALSE(window.Latest(StabilityRule{}));
}

}  // namespace
}  // namespace corvane::calibration
