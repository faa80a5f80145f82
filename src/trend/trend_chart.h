#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/chart_content.h"
#include "link/sensor_data.h"
#include "trend/readings_history.h"

namespace corvane {

// The samples that make one line in each pane: those of one channel.
struct TrendSource {
    std::string name;  // in the legend: "Sensor3 (17)"; empty for the one sensor of the Monitor
    int channel = 0;
    std::uint32_t rgb = 0;  // 0xRRGGBB; 0 = the reading's own colour
    bool operator==(const TrendSource&) const = default;
};

// What the chart shows: the time span that ends at `endMs`, one pane per reading shown, one line
// per source in each pane.
struct TrendView {
    std::int64_t endMs = 0;
    std::int64_t spanMs = 60'000;
    std::array<bool, kReadingCount> shown{true, true, true, true, true, true};
    std::vector<TrendSource> sources;
    std::array<std::string, kReadingCount> units;
    std::string note;
    bool operator==(const TrendView&) const = default;
};

// The chart is cut into this many equal steps of time: 200 ms over one minute (a step for each
// poll), 12 s over an hour. A line has at most two points per step: the polls themselves where
// there are no more, else the lowest and the highest reading, in their order, so that no spike is
// lost. That is about a point per pixel of a window's chart, and no more to draw.
inline constexpr std::int64_t kTrendSteps = 300;
std::int64_t TrendStepMs(std::int64_t spanMs);
// The chart moves on in whole moves of a step and at least a second, so that it changes, and is
// drawn again, at most once a second (every 12 s over an hour): drawing the panes is what the
// window costs, and a chart that moves on five times a second costs five times as much for
// nothing a technician could read off it.
std::int64_t TrendMoveMs(std::int64_t spanMs);
// The right edge of a chart that shows up to `nowMs`: the last whole move.
std::int64_t TrendViewEnd(std::int64_t nowMs, std::int64_t spanMs);
// A line breaks where two of its polls lie further apart than this (a sensor that fell silent
// and came back), rather than drawing a straight line over the silence.
std::int64_t TrendGapMs(std::int64_t spanMs);

fw::ChartContent BuildTrendChart(const ReadingsHistory& history, const TrendView& view);

// A value axis over `low`..`high` in round steps (1, 2, 2.5 or 5 times a power of ten, four to
// eight of them), at least ten times `resolution` wide so that a steady reading is not shown as
// noise.
fw::ChartValueAxis NiceValueAxis(double low, double high, double resolution);
// The labelled times of a span: every 10 s over a minute, 2 min over ten, 10 min over an hour.
std::vector<fw::ChartTick> TimeTicks(std::int64_t fromMs, std::int64_t toMs);
// "09:31:05" (or "09:31" without the seconds) in local time.
std::string ClockText(std::int64_t timeMs, bool withSeconds = true);

// The readings' names as the Monitor page gives them, their units where fixed, the precision the
// sensor sends them with (as in a readings file), and their colours.
inline constexpr std::array<std::string_view, kReadingCount> kReadingNames = {
    "Conductivity (No T/C)", "Conductivity (With T/C)", "Sensor Temperature",
    "Concentration",         "Current Output 1",        "Current Output 2"};
inline constexpr std::array<int, kReadingCount> kReadingDecimals = {1, 1, 2, 2, 3, 3};
inline constexpr std::array<std::uint32_t, kReadingCount> kReadingColours = {
    0x1f5fa8, 0x2a9d4b, 0xc0392b, 0x8e44ad, 0xd68910, 0x16a2a8};
inline constexpr std::array<std::uint32_t, kChannelCount> kChannelColours = {
    0x1f5fa8, 0xc0392b, 0x2a9d4b, 0xd68910, 0x8e44ad};

}  // namespace corvane
