#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>

#include "calibration/calibration_points.h"
#include "calibration/stability.h"
#include "link/link_outcomes.h"
#include "link/request_handle.h"

namespace corvane {
struct SharedRecords;
class SensorLink;
namespace fw {
class Clock;
}
namespace records {
class ServiceRecorder;
}
}  // namespace corvane

namespace corvane::calibration {

// Where a step stands.
enum class Phase {
    AsFound,      // watching the reading settle before the calibration
    ReadFound,    // outputs: forced to the point, waiting for the DVM readings as found
    Calibrating,  // the command is queued or out, waiting for the sensor's confirmation
    AsLeft,       // watching the reading settle again after the confirmation
    ReadLeft,     // outputs: forced again, waiting for the DVM readings as left
    Ended,
};

// How a step ended.
enum class StepEnd {
    None,            // not yet
    Passed,          // calibrated; the reading as left is within tolerance
    OutOfTolerance,  // calibrated; the reading as left is not within tolerance
    NotAdjusted,     // the reading as found was within tolerance: no command sent
    Failed,          // the sensor did not confirm, or the reading did not settle again
    Skipped,
};

// The DVM readings of output 1 and output 2, mA.
using OutputReadings = std::array<double, 2>;

// What a step found and left.
struct StepFigures {
    std::optional<WindowFigures> asFound;
    std::optional<WindowFigures> asLeft;
    std::optional<OutputReadings> outputsFound;
    std::optional<OutputReadings> outputsLeft;
    std::optional<double> temperature;  // the sensor's temperature while found, in its unit
    double tolerance = 0.0;
};

// One step of a guided calibration, on the live link: it follows the step's reading (raw
// conductivity, temperature) as the polls answer it, judges whether it has settled, sends
// exactly the command the Calibration page sends when told to calibrate, waits for the sensor's
// confirmation, then for the reading to settle again, and takes that as left. For the current
// outputs it forces both outputs to the point as the page does and takes the DVM readings
// entered instead. A silent sensor, a refusal or a time-out ends the step failed, never done.
// Each calibration is recorded with its figures when a recorder is given.
//
// The step observes the link from its construction to its destruction; destroy it outside the
// link's calls.
class GuidedStep : private LinkObserver {
  public:
    struct Settings {
        StabilityRule rule;
        // How long the sensor may take to confirm the calibration, and the reading to settle again.
        std::chrono::seconds confirmTimeout{60};
        std::chrono::seconds settleTimeout{120};
        std::string run;  // the run the step belongs to, kept with its record
    };

    GuidedStep(SensorLink& link, SharedRecords& records, fw::Clock& clock, StepPlan plan,
               Settings settings, records::ServiceRecorder* recorder);
    ~GuidedStep() override;
    GuidedStep(const GuidedStep&) = delete;
    GuidedStep& operator=(const GuidedStep&) = delete;

    const StepPlan& Plan() const { return plan_; }
    Phase CurrentPhase() const { return phase_; }
    StepEnd End() const { return end_; }
    const std::string& Reason() const { return reason_; }  // why it failed
    const StepFigures& Figures() const { return figures_; }
    double Tolerance() const { return figures_.tolerance; }
    const StabilityRule& Rule() const { return settings_.rule; }

    // The readings of the last minute, and whether the newest stretch of them has settled.
    const StabilityWindow& Readings() const { return readings_; }
    bool Settled() const;
    // Whether the newest settled reading (or the DVM readings entered) is within tolerance of
    // the reference, so that the point may be left as it is.
    bool FoundWithinTolerance() const;
    // The deviation of `value` from the reference: % of the reference for conductivity (mS/cm
    // at 0), the reading's unit otherwise.
    double Deviation(double value) const;
    const char* DeviationUnit() const;

    // Sends the calibration. Conductivity and temperature: the newest stretch of readings is
    // the reading as found (settled or not: asking before is the caller's business). Outputs:
    // needs the readings as found first.
    void Calibrate();
    // Outputs: the DVM readings, as found before the calibration or as left after it.
    void EnterReadings(const OutputReadings& readings);
    // Leaves the point as found: ends the step without a command, recorded with the verdict of
    // the reading as found ("as found within tolerance, not adjusted"; the command line's
    // --no-adjust checks a point whatever it finds). Nothing until a reading was found.
    void LeaveAsFound();
    void Skip();

    // Checks the time-outs; call it now and then (each poll does too).
    void Tick();

    // The calibration request, once sent: it tells whether the sensor confirmed it.
    const RequestHandle& CalibrationRequest() const { return calibration_; }

  private:
    void ExchangeHasEnded(const ExchangeEnded& ended) override;
    void PollWasAnswered(const PollAnswered& poll) override;
    // The calibration request has ended: confirmed, or the step fails saying how.
    void CalibrationEnded();

    int Function() const;
    std::string ReadingName() const;
    void Confirmed();
    void Fail(std::string reason);
    void TakeAsLeft();
    void Finish(StepEnd end);
    std::string GuidedJson() const;
    std::string RowJson(const std::string& name, double reference, std::optional<double> found,
                        std::optional<double> left) const;
    const char* Verdict(std::optional<double> found, std::optional<double> left) const;
    bool Within(double value) const;

    SensorLink& link_;
    SharedRecords& r_;
    fw::Clock& clock_;
    StepPlan plan_;
    Settings settings_;
    records::ServiceRecorder* recorder_;
    int address_;

    Phase phase_;
    RequestHandle calibration_;
    StepEnd end_ = StepEnd::None;
    std::string reason_;
    StepFigures figures_;
    StabilityWindow readings_;
    StabilityWindow temperatures_;
    TimePoint phaseSince_;
};

// The verdict words a record and a certificate use.
const char* VerdictText(StepEnd end);

}  // namespace corvane::calibration
