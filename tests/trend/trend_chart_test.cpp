#include "trend/trend_chart.h"

#include <gtest/gtest.h>

#include <ctime>

#include "scoped_time_zone.h"

namespace corvane {
namespace {

using fw::ChartPoint;

// A sample of channel `channel` at `timeMs` whose every reading is `value`.
TrendSample Sample(std::int64_t timeMs, double value, int channel = 0) {
    TrendSample s;
    s.timeMs = timeMs;
    s.values.fill(value);
    s.channel = channel;
    return s;
}

TrendView OneSensor(std::int64_t endMs, std::int64_t spanMs) {
    TrendView view;
    view.endMs = endMs;
    view.spanMs = spanMs;
    view.sources = {{"", 0, 0}};
    view.units = {"mS/cm", "mS/cm", "°C", "%", "mA", "mA"};
    return view;
}

constexpr std::int64_t kT0 = 1'796'000'400'000;  // a whole hour: 2026-11-30 01:00:00 UTC

TEST(TrendChart, theViewMovesOnInWholeStepsOfOneThreeHundredthOfItsSpanAndAtMostOnceASecond) {
    EXPECT_EQ(TrendStepMs(60'000), 200);
    EXPECT_EQ(TrendStepMs(600'000), 2'000);
    EXPECT_EQ(TrendStepMs(3'600'000), 12'000);
    EXPECT_EQ(TrendMoveMs(60'000), 1'000);
    EXPECT_EQ(TrendMoveMs(600'000), 2'000);
    EXPECT_EQ(TrendMoveMs(3'600'000), 12'000);
    EXPECT_EQ(TrendViewEnd(kT0 + 11'999, 3'600'000), kT0);
    EXPECT_EQ(TrendViewEnd(kT0 + 12'000, 3'600'000), kT0 + 12'000);
    EXPECT_EQ(TrendViewEnd(kT0 + 999, 60'000), kT0);
    EXPECT_EQ(TrendViewEnd(kT0 + 1'000, 60'000), kT0 + 1'000);
}

TEST(TrendChart, overAMinuteEveryPollIsAPointOfItsOwn) {
    ReadingsHistory history;
    // Five a second, now and then two in one step with the same reading.
    for (int i = 0; i < 300; ++i) {
        const int shift = i % 7 == 3 ? 50 : i % 7 == 4 ? -50 : 0;
        const double value = (i % 7 == 4 ? i - 1 : i) * 0.5;
        history.Add(Sample(kT0 + 200 * i + shift, value));
    }
    const auto chart = BuildTrendChart(history, OneSensor(kT0 + 60'000, 60'000));
    ASSERT_EQ(chart.panes.size(), 6u);
    ASSERT_EQ(chart.panes[0].series.size(), 1u);
    const auto& segments = chart.panes[0].series[0].segments;
    ASSERT_EQ(segments.size(), 1u);
    ASSERT_EQ(segments[0].size(), 300u);
    for (std::size_t i = 0; i < 300; ++i) {
        EXPECT_EQ(segments[0][i], (ChartPoint{static_cast<double>(history.Samples()[i].timeMs),
                                              history.Samples()[i].values[0]}));
    }
    EXPECT_EQ(chart.xMin, static_cast<double>(kT0));
    EXPECT_EQ(chart.xMax, static_cast<double>(kT0 + 60'000));
}

TEST(TrendChart, samplesAtOrAfterTheViewsEndWaitForTheNextStep) {
    ReadingsHistory history;
    history.Add(Sample(kT0 + 59'900, 1));
    history.Add(Sample(kT0 + 60'000, 2));
    const auto chart = BuildTrendChart(history, OneSensor(kT0 + 60'000, 60'000));
    EXPECT_EQ(chart.panes[0].series[0].segments,
              (std::vector<std::vector<ChartPoint>>{{{static_cast<double>(kT0 + 59'900), 1}}}));
}

TEST(TrendChart, overAnHourEachStepKeepsItsLowestAndHighestReadingInTheirOrder) {
    ReadingsHistory history;
    // Within one step of 12 s: 30 polls with a spike up at 1 s and a dip at 4 s.
    for (int i = 0; i < 30; ++i) {
        double value = 10;
        if (i == 5) value = 50;
        if (i == 20) value = -3;
        history.Add(Sample(kT0 + 200 * i, value));
    }
    const auto chart = BuildTrendChart(history, OneSensor(kT0 + 3'600'000, 3'600'000));
    const auto& segments = chart.panes[0].series[0].segments;
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0], (std::vector<ChartPoint>{{static_cast<double>(kT0 + 1'000), 50},
                                                    {static_cast<double>(kT0 + 4'000), -3}}));
}

TEST(TrendChart, aLineBreaksWhereTheSensorFellSilent) {
    ReadingsHistory history;
    history.Add(Sample(kT0, 1));
    history.Add(Sample(kT0 + 200, 2));
    history.Add(Sample(kT0 + 10'200, 3));  // 10 s without an answer
    history.Add(Sample(kT0 + 10'400, 4));
    const auto chart = BuildTrendChart(history, OneSensor(kT0 + 60'000, 60'000));
    const auto& segments = chart.panes[2].series[0].segments;
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].size(), 2u);
    EXPECT_EQ(segments[1].size(), 2u);
    EXPECT_EQ(segments[1][0].y, 3);
}

TEST(TrendChart, onlyTheReadingsShownHavePanesEachWithItsNameValueAndUnit) {
    ReadingsHistory history;
    TrendSample s = Sample(kT0 + 1'000, 0);
    s.values = {48.2, 45.3, 22.13, 1.5, 4.771, 7.533};
    history.Add(s);
    TrendView view = OneSensor(kT0 + 60'000, 60'000);
    view.shown = {false, true, true, false, false, true};
    const auto chart = BuildTrendChart(history, view);
    ASSERT_EQ(chart.panes.size(), 3u);
    EXPECT_EQ(chart.panes[0].title, "Conductivity (With T/C)   45.3 mS/cm");
    EXPECT_EQ(chart.panes[1].title, "Sensor Temperature   22.13 °C");
    EXPECT_EQ(chart.panes[2].title, "Current Output 2   7.533 mA");
    EXPECT_EQ(chart.panes[1].series[0].rgb, kReadingColours[2]);
}

TEST(TrendChart, eachChannelIsALineOfItsOwnInEveryPane) {
    ReadingsHistory history;
    for (int i = 0; i < 10; ++i) {
        history.Add(Sample(kT0 + 400 * i, 10 + i, 1));
        history.Add(Sample(kT0 + 400 * i + 200, 20 + i, 3));
        history.Add(Sample(kT0 + 400 * i + 300, 99, -1));  // a reply from no channel
    }
    TrendView view = OneSensor(kT0 + 60'000, 60'000);
    view.sources = {{"Sensor1 (1)", 1, kChannelColours[0]}, {"Sensor3 (7)", 3, kChannelColours[2]}};
    const auto chart = BuildTrendChart(history, view);
    for (const auto& pane : chart.panes) {
        ASSERT_EQ(pane.series.size(), 2u);
        EXPECT_EQ(pane.series[0].name, "Sensor1 (1)");
        EXPECT_EQ(pane.series[1].rgb, kChannelColours[2]);
        ASSERT_EQ(pane.series[0].segments.size(), 1u);
        EXPECT_EQ(pane.series[0].segments[0].size(), 10u);
        EXPECT_EQ(pane.series[1].segments[0].back().y, 29);
        EXPECT_EQ(pane.axis.max, 30);  // the axis follows both lines, and not the stray reply
    }
    EXPECT_EQ(chart.panes[0].title, "Conductivity (No T/C) (mS/cm)");
}

TEST(TrendChart, valueAxesFollowTheDataInRoundSteps) {
    const auto axis = NiceValueAxis(45.3, 48.2, 0.1);
    EXPECT_EQ(axis.step, 1);
    EXPECT_EQ(axis.min, 45);
    EXPECT_EQ(axis.max, 49);
    EXPECT_EQ(axis.decimals, 0);

    const auto wide = NiceValueAxis(-3, 1012, 0.1);
    EXPECT_EQ(wide.step, 500);
    EXPECT_EQ(wide.min, -500);
    EXPECT_EQ(wide.max, 1500);

    // A steady reading spans ten steps of the sensor's resolution, not a line at the edge.
    const auto steady = NiceValueAxis(4.0, 4.0, 0.001);
    EXPECT_LE(steady.min, 3.995);
    EXPECT_GE(steady.max, 4.005);
    EXPECT_LE(steady.max - steady.min, 0.02 + 1e-9);
    EXPECT_EQ(steady.decimals, 4);  // steps of 0.0025

    const auto quarter = NiceValueAxis(0, 1, 0.01);
    EXPECT_EQ(quarter.step, 0.25);
    EXPECT_EQ(quarter.decimals, 2);

    const auto none = NiceValueAxis(1, -1, 0.1);  // no data
    EXPECT_LT(none.min, none.max);
}

class LocalZone : public ::testing::Test {
  protected:
    ScopedTimeZone zone_{"UTC0"};
};

TEST_F(LocalZone, theTimeAxisIsLabelledAtRoundTimes) {
    const auto minute = TimeTicks(kT0 + 1'000, kT0 + 61'000);
    ASSERT_EQ(minute.size(), 6u);
    EXPECT_EQ(minute[0].label, "01:00:10");
    EXPECT_EQ(minute[0].x, static_cast<double>(kT0 + 10'000));
    const auto hour = TimeTicks(kT0, kT0 + 3'600'000);
    ASSERT_EQ(hour.size(), 6u);
    EXPECT_EQ(hour[0].label, "01:10");
    EXPECT_EQ(hour[5].label, "02:00");
    EXPECT_EQ(TimeTicks(kT0, kT0 + 600'000).size(), 5u);
}

TEST_F(LocalZone, marksInViewCarryTheirLineNumberAndKind) {
    ReadingsHistory history;
    history.AddMark({kT0 + 1'000, 2, "Msg 02..Data Reply Timed Out", TrendMark::Kind::LinkFault});
    history.AddMark({kT0 + 2'000, 21, "Msg 21..Output 1 > 22 mA", TrendMark::Kind::SensorStatus});
    history.AddMark({kT0 + 70'000, 8, "Msg 08..Sensor Comms OK", TrendMark::Kind::Information});
    const auto chart = BuildTrendChart(history, OneSensor(kT0 + 60'000, 60'000));
    ASSERT_EQ(chart.marks.size(), 2u);
    EXPECT_EQ(chart.marks[0],
              (fw::ChartMark{static_cast<double>(kT0 + 1'000), "02", fw::ChartMark::Kind::Fault}));
    EXPECT_EQ(chart.marks[1].kind, fw::ChartMark::Kind::Status);
}

}  // namespace
}  // namespace corvane
