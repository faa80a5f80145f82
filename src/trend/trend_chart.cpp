#include "trend/trend_chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "framework/number_text.h"
#include "link/readings_csv.h"

namespace corvane {
namespace {

constexpr std::array<double, kReadingCount> kResolution = {0.1, 0.1, 0.01, 0.01, 0.001, 0.001};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

// The polls of one step of one line: the first two as they are, and the lowest and highest
// reading with their times.
struct Step {
    int count = 0;
    double low = 0, high = 0;
    std::int64_t lowAt = 0, highAt = 0;
    std::array<fw::ChartPoint, 2> first{};

    void Take(double value, std::int64_t at) {
        if (count < 2) first[static_cast<std::size_t>(count)] = {static_cast<double>(at), value};
        if (count == 0 || value < low) low = value, lowAt = at;
        if (count == 0 || value > high) high = value, highAt = at;
        ++count;
    }
    // The step's points, in time order, onto `segment`.
    void EmitTo(std::vector<fw::ChartPoint>& segment) {
        if (count == 0) return;
        const auto point = [](std::int64_t at, double value) {
            return fw::ChartPoint{static_cast<double>(at), value};
        };
        if (count <= 2) {
            segment.insert(segment.end(), first.begin(), first.begin() + count);
        } else if (lowAt == highAt) {
            segment.push_back(point(lowAt, low));
        } else if (lowAt < highAt) {
            segment.push_back(point(lowAt, low));
            segment.push_back(point(highAt, high));
        } else {
            segment.push_back(point(highAt, high));
            segment.push_back(point(lowAt, low));
        }
        count = 0;
    }
};

// One line being built: its segments, the step being gathered, the last value and the range.
struct LineBuild {
    std::vector<std::vector<fw::ChartPoint>> segments;
    Step step;
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    double last = 0;
    bool any = false;

    void Flush() {
        if (segments.empty()) segments.emplace_back();
        step.EmitTo(segments.back());
    }
    void Break() {
        Flush();
        if (!segments.back().empty()) segments.emplace_back();
    }
};

}  // namespace

std::int64_t TrendStepMs(std::int64_t spanMs) {
    return std::max<std::int64_t>(1, spanMs / kTrendSteps);
}

std::int64_t TrendMoveMs(std::int64_t spanMs) {
    const std::int64_t step = TrendStepMs(spanMs);
    return std::max<std::int64_t>(step, (1'000 + step - 1) / step * step);
}

std::int64_t TrendViewEnd(std::int64_t nowMs, std::int64_t spanMs) {
    const std::int64_t move = TrendMoveMs(spanMs);
    return FloorDiv(nowMs, move) * move;
}

std::int64_t TrendGapMs(std::int64_t spanMs) {
    return std::max<std::int64_t>(6'000, 2 * TrendStepMs(spanMs));
}

std::string ClockText(std::int64_t timeMs, bool withSeconds) {
    const std::string iso = IsoLocalTime(std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::milliseconds(timeMs))));
    return iso.substr(11, withSeconds ? 8 : 5);  // "2026-12-07T09:31:05.120+01:00"
}

std::vector<fw::ChartTick> TimeTicks(std::int64_t fromMs, std::int64_t toMs) {
    const std::int64_t span = toMs - fromMs;
    std::int64_t every = 10'000;
    if (span > 60'000) every = 120'000;
    if (span > 600'000) every = 600'000;
    std::vector<fw::ChartTick> ticks;
    for (std::int64_t t = (FloorDiv(fromMs, every) + 1) * every; t <= toMs; t += every) {
        ticks.push_back({static_cast<double>(t), ClockText(t, every < 60'000)});
    }
    return ticks;
}

fw::ChartValueAxis NiceValueAxis(double low, double high, double resolution) {
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high)) {
        low = 0;
        high = 0;
    }
    const double least = 10 * resolution;
    if (high - low < least) {
        const double middle = (low + high) / 2;
        low = middle - least / 2;
        high = middle + least / 2;
    }
    const double rough = (high - low) / 4;
    // A power of ten as exact as a double holds it: a negative power as the reciprocal of a
    // positive one, as C libraries differ in the last digit of pow(10, -n) (Windows' does).
    const int exponent = static_cast<int>(std::floor(std::log10(rough)));
    const double magnitude =
        exponent >= 0 ? std::pow(10.0, exponent) : 1.0 / std::pow(10.0, -exponent);
    double step = 10 * magnitude;
    for (const double m : {1.0, 2.0, 2.5, 5.0}) {
        if (m * magnitude >= rough * (1 - 1e-9)) {
            step = m * magnitude;
            break;
        }
    }
    fw::ChartValueAxis axis;
    axis.step = step;
    axis.min = std::floor(low / step + 1e-9) * step;
    axis.max = std::ceil(high / step - 1e-9) * step;
    if (axis.max - axis.min < step) axis.max = axis.min + step;
    const double digits = -std::floor(std::log10(step) + 1e-9);
    axis.decimals = std::max(0, static_cast<int>(digits));
    if (std::fabs(step / magnitude - 2.5) < 1e-9) ++axis.decimals;
    return axis;
}

fw::ChartContent BuildTrendChart(const ReadingsHistory& history, const TrendView& view) {
    const std::int64_t to = view.endMs;
    const std::int64_t from = to - view.spanMs;
    const std::int64_t stepMs = TrendStepMs(view.spanMs);
    const std::int64_t gapMs = TrendGapMs(view.spanMs);

    fw::ChartContent chart;
    chart.xMin = static_cast<double>(from);
    chart.xMax = static_cast<double>(to);
    chart.xTicks = TimeTicks(from, to);
    chart.note = view.note;

    // lines[source][reading], gathered in one pass over the samples in view.
    const std::size_t sourceCount = view.sources.size();
    std::vector<std::array<LineBuild, kReadingCount>> lines(sourceCount);
    std::vector<std::int64_t> previousAt(sourceCount, std::numeric_limits<std::int64_t>::min());
    std::vector<std::int64_t> stepOf(sourceCount, -1);
    const auto& samples = history.Samples();
    for (std::size_t i = history.FirstSampleFrom(from); i < samples.Size(); ++i) {
        const TrendSample& sample = samples[i];
        if (sample.timeMs >= to) break;
        for (std::size_t s = 0; s < sourceCount; ++s) {
            if (view.sources[s].channel != sample.channel) continue;
            const bool gap = previousAt[s] != std::numeric_limits<std::int64_t>::min() &&
                             sample.timeMs - previousAt[s] > gapMs;
            const std::int64_t step = (sample.timeMs - from) / stepMs;
            for (std::size_t r = 0; r < kReadingCount; ++r) {
                if (!view.shown[r]) continue;
                LineBuild& line = lines[s][r];
                if (gap) {
                    line.Break();
                } else if (step != stepOf[s]) {
                    line.Flush();
                }
                const double value = sample.values[r];
                line.step.Take(value, sample.timeMs);
                line.low = std::min(line.low, value);
                line.high = std::max(line.high, value);
                line.last = value;
                line.any = true;
            }
            previousAt[s] = sample.timeMs;
            stepOf[s] = step;
        }
    }

    for (std::size_t r = 0; r < kReadingCount; ++r) {
        if (!view.shown[r]) continue;
        fw::ChartPane pane;
        double low = std::numeric_limits<double>::infinity();
        double high = -std::numeric_limits<double>::infinity();
        for (std::size_t s = 0; s < sourceCount; ++s) {
            LineBuild& line = lines[s][r];
            line.Flush();
            if (!line.segments.empty() && line.segments.back().empty()) line.segments.pop_back();
            low = std::min(low, line.low);
            high = std::max(high, line.high);
            const TrendSource& source = view.sources[s];
            pane.series.push_back({source.name, source.rgb != 0 ? source.rgb : kReadingColours[r],
                                   std::move(line.segments)});
        }
        pane.axis = NiceValueAxis(low, high, kResolution[r]);
        pane.title = std::string(kReadingNames[r]);
        const std::string& unit = view.units[r];
        if (sourceCount == 1 && lines[0][r].any) {
            const std::string format = "%." + std::to_string(kReadingDecimals[r]) + "f";
            pane.title += "   " + fw::FormatNumber(format.c_str(), lines[0][r].last);
            if (!unit.empty()) pane.title += " " + unit;
        } else if (!unit.empty()) {
            pane.title += " (" + unit + ")";
        }
        chart.panes.push_back(std::move(pane));
    }

    const auto& marks = history.Marks();
    for (std::size_t i = history.FirstMarkFrom(from); i < marks.Size(); ++i) {
        const TrendMark& mark = marks[i];
        if (mark.timeMs >= to) break;
        fw::ChartMark::Kind kind = fw::ChartMark::Kind::Information;
        if (mark.kind == TrendMark::Kind::LinkFault) kind = fw::ChartMark::Kind::Fault;
        if (mark.kind == TrendMark::Kind::SensorStatus) kind = fw::ChartMark::Kind::Status;
        const std::string number =
            mark.line < 10 ? "0" + std::to_string(mark.line) : std::to_string(mark.line);
        chart.marks.push_back({static_cast<double>(mark.timeMs), number, kind});
    }
    return chart;
}

}  // namespace corvane
