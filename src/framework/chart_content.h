#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::fw {

// What a chart control shows, complete: panes stacked one above the other that share one time
// axis, each with its own value axis and line series, and marks on the time axis. The window
// that owns the control computes all of it (ranges, ticks, labels, colours); a backend only
// draws it, so the headless backend keeps it as it is and tests read it back.
//
// Times (x) are milliseconds since the epoch of the system clock.

struct ChartPoint {
    double x = 0;
    double y = 0;
    bool operator==(const ChartPoint&) const = default;
};

// One line of a pane. A line breaks where the data has a gap: each segment is drawn on its own.
struct ChartSeries {
    std::string name;
    std::uint32_t rgb = 0;  // 0xRRGGBB
    std::vector<std::vector<ChartPoint>> segments;
    bool operator==(const ChartSeries&) const = default;
};

// A value axis: from `min` to `max` with a grid line and label every `step`, labels showing
// `decimals` digits after the point.
struct ChartValueAxis {
    double min = 0;
    double max = 1;
    double step = 0.2;
    int decimals = 1;
    bool operator==(const ChartValueAxis&) const = default;
};

struct ChartPane {
    std::string title;  // drawn in the pane's top left corner, e.g. "Temperature  22.13 °C"
    ChartValueAxis axis;
    std::vector<ChartSeries> series;
    bool operator==(const ChartPane&) const = default;
};

// A labelled grid line of the time axis.
struct ChartTick {
    double x = 0;
    std::string label;
    bool operator==(const ChartTick&) const = default;
};

// A moment marked on the time axis: a vertical line through every pane, `label` beside it.
struct ChartMark {
    enum class Kind { Fault, Status, Information };
    double x = 0;
    std::string label;
    Kind kind = Kind::Information;
    bool operator==(const ChartMark&) const = default;
};

struct ChartContent {
    double xMin = 0;
    double xMax = 1;
    std::vector<ChartTick> xTicks;
    std::vector<ChartPane> panes;
    std::vector<ChartMark> marks;
    std::string note;  // a word on the whole chart, drawn top right ("Paused at 09:31:05")
    bool operator==(const ChartContent&) const = default;
};

}  // namespace corvane::fw
