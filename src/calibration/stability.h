#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <vector>

#include "calibration/calibration_points.h"
#include "records/reading_figures.h"

namespace corvane::calibration {

using TimePoint = std::chrono::system_clock::time_point;

// When a reading counts as settled, and how close to its reference it must end. These are the
// assistant's settings; the command line takes the same defaults.
struct StabilityRule {
    double minSeconds = 10.0;          // the window is at least this long ...
    int minPolls = 25;                 // ... and holds at least this many answered polls
    double relativeTolerance = 0.002;  // of the reference, for conductivity
    double nearZeroMs = 0.05;          // mS/cm, for the 0 mS/cm point
    double temperatureC = 0.1;         // °C (0.18 °F)
    double outputsMa = 0.02;           // mA, the DVM readings of the outputs
};

// The smallest change the sensor reports: readings go on the line in tenths of mS/cm and
// hundredths of a degree, so a finer tolerance could never be met and is raised to it.
inline constexpr double kConductivityStep = 0.1;
inline constexpr double kTemperatureStep = 0.01;

// How far the reading of `step` may spread while settling and end from its reference: the
// rule's figure for the step, never finer than the reading's own step.
double ToleranceOf(const StepPlan& step, const StabilityRule& rule);
// Whether the rule's figure for `step` was finer than the reading's step and so was raised to it
// (the 0 and 9.25 mS/cm points with the default rule).
bool RaisedToResolution(const StepPlan& step, const StabilityRule& rule);

// Figures of a stretch of readings, as the service record keeps them.
using records::FiguresOf;
using records::WindowFigures;

// The readings of one quantity as the polls answer them, kept for the last minute, and whether
// they have settled: the newest stretch of at least the rule's seconds and polls spreads no
// wider than the tolerance.
class StabilityWindow {
  public:
    struct Sample {
        TimePoint time;
        double value = 0.0;
    };
    static constexpr std::chrono::seconds kKept{60};

    void Add(TimePoint time, double value);
    // Forgets every reading: the next window begins with the next poll.
    void Clear() { samples_.clear(); }
    const std::deque<Sample>& Samples() const { return samples_; }

    // The newest stretch long enough to judge (at least `rule.minSeconds` from its first poll to
    // its last, and `rule.minPolls` polls), or nothing while there is not one yet.
    std::optional<WindowFigures> Latest(const StabilityRule& rule) const;
    // Whether that stretch exists and spreads no wider than `tolerance`.
    bool Stable(const StabilityRule& rule, double tolerance) const;
    // How far the newest stretch has come, 0..1, towards being long enough to judge.
    double Progress(const StabilityRule& rule) const;

  private:
    std::deque<Sample> samples_;
};

}  // namespace corvane::calibration
