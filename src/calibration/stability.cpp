#include "calibration/stability.h"

#include <algorithm>
#include <cmath>

namespace corvane::calibration {

double ToleranceOf(const StepPlan& step, const StabilityRule& rule) {
    switch (step.kind) {
        case StepKind::Conductivity: {
            const double figure =
                step.reference == 0.0 ? rule.nearZeroMs : rule.relativeTolerance * step.reference;
            return std::max(figure, kConductivityStep);
        }
        case StepKind::Temperature: {
            const double figure = step.unit == "°F" ? rule.temperatureC * 1.8 : rule.temperatureC;
            return std::max(figure, kTemperatureStep);
        }
        case StepKind::Outputs: return rule.outputsMa;
    }
    return 0.0;
}

bool RaisedToResolution(const StepPlan& step, const StabilityRule& rule) {
    switch (step.kind) {
        case StepKind::Conductivity:
            return (step.reference == 0.0
                        ? rule.nearZeroMs
                        : rule.relativeTolerance * step.reference) < kConductivityStep;
        case StepKind::Temperature:
            return (step.unit == "°F" ? rule.temperatureC * 1.8 : rule.temperatureC) <
                   kTemperatureStep;
        case StepKind::Outputs: return false;
    }
    return false;
}

void StabilityWindow::Add(TimePoint time, double value) {
    // A clock set back starts a new window rather than mixing times out of order.
    if (!samples_.empty() && time < samples_.back().time) samples_.clear();
    samples_.push_back({time, value});
    while (samples_.front().time < time - kKept) samples_.pop_front();
}

std::optional<WindowFigures> StabilityWindow::Latest(const StabilityRule& rule) const {
    if (samples_.empty()) return std::nullopt;
    const TimePoint last = samples_.back().time;
    const auto minimum = std::chrono::duration<double>(rule.minSeconds);
    std::vector<double> values;
    for (auto it = samples_.rbegin(); it != samples_.rend(); ++it) {
        values.push_back(it->value);
        if (static_cast<int>(values.size()) >= rule.minPolls && last - it->time >= minimum) {
            return FiguresOf(values, it->time, last);
        }
    }
    return std::nullopt;
}

bool StabilityWindow::Stable(const StabilityRule& rule, double tolerance) const {
    const auto latest = Latest(rule);
    // A hair of rounding in the readings' decimal steps must not turn 0.1 into more than 0.1.
    return latest && latest->Spread() <= tolerance + 1e-9;
}

double StabilityWindow::Progress(const StabilityRule& rule) const {
    if (samples_.empty()) return 0.0;
    if (Latest(rule)) return 1.0;
    const double seconds =
        std::chrono::duration<double>(samples_.back().time - samples_.front().time).count();
    const double bySeconds = rule.minSeconds > 0 ? seconds / rule.minSeconds : 1.0;
    const double byPolls =
        rule.minPolls > 0 ? static_cast<double>(samples_.size()) / rule.minPolls : 1.0;
    return std::clamp(std::min(bySeconds, byPolls), 0.0, 1.0);
}

}  // namespace corvane::calibration
