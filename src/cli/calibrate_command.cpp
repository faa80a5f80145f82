#include "cli/calibrate_command.h"

#include <chrono>
#include <cmath>
#include <functional>

#include "calibration/guided_step.h"
#include "framework/clock.h"
#include "framework/number_text.h"
#include "link/forced_outputs.h"
#include "records/service_event.h"

namespace corvane::cli {
namespace {

// Unanswered polls in a row after which the sensor counts as gone.
constexpr int kPollMisses = 3;

class CalibrateCommand : private CommandSession {
  public:
    CalibrateCommand(const CommandLine& line, SharedRecords& records, FastLink& link,
                     Console& console, records::ServiceRecorder* recorder)
        : CommandSession(line, records, link, console), recorder_(recorder) {}

    // One point calibrated as the Calibration Assistant does it: wait for the reading to settle,
    // take it as found, calibrate, wait again, take it as left. The setup is read first, so that
    // the record names the sensor and the temperature's unit is known.
    Result Run() {
        const CommandOptions& options = line_.command;
        if (Result failure = Upload()) return failure;
        calibration::GuidedStep::Settings settings;
        settings.rule.minSeconds = options.stableSeconds;
        settings.settleTimeout = std::chrono::seconds(options.timeoutSeconds);
        settings.run = records::NewUuid();
        Result result;
        if (options.quantity == "outputs") {
            // Both points, unless the link fails; the status is the worse of their verdicts.
            for (const int mA : {4, 20}) {
                Result point = CalibrateOutputs(mA, settings);
                if (point && point->status != kDone && point->status != kReadBackDiffers) {
                    result = point;
                    break;
                }
                if (!result || (point && point->status == kReadBackDiffers)) result = point;
            }
        } else {
            const calibration::StepPlan plan =
                options.quantity == "conductivity"
                    ? *calibration::ConductivityPoint(options.reference)
                    : calibration::TemperatureStep(options.reference,
                                                   r_.Sensor.TempFahrenheit == 1);
            result = CalibrateReading(plan, settings);
        }
        // Whatever way it ended: a forced output goes back to normal, a confirmed calibration is
        // stamped with the date and the operator.
        if (OutputsLeftForced(r_) && !BothOutputsCommandUnderway(r_)) {
            ReturnOutputsToNormal(r_, link_.Link());
        }
        link_.Link().StampCalibrationIfDue(link_.Link().Time().Now());
        if (Result failure = FinishQueued({TestBothOutputs, WriteCalibrationStamp}, false)) {
            if (!result || result->status == kDone) result = failure;
        }
        if (result && result->status == kDone) {
            if (!result->message.empty()) io_.out << result->message << "\n";
            return std::nullopt;
        }
        return result;
    }

    // Polls until `until` holds, the operator interrupts (nothing), the sensor stops answering
    // (a failure) or `limit` has passed (the time is out: false).
    Result PollUntil(const std::function<bool()>& until, std::chrono::seconds limit,
                     bool& timedOut) {
        const auto start = link_.Link().Time().PreciseNow();
        int missed = 0;
        timedOut = false;
        while (!until()) {
            if (link_.Link().Time().PreciseNow() - start > limit) {
                timedOut = true;
                return std::nullopt;
            }
            const auto exchange = Step("calibrating");
            if (!exchange) return Interrupted();
            if (exchange->outcome == Outcome::PortFailed) return LinkFailure(*exchange);
            if (exchange->function != fn::kPoll) continue;
            if (exchange->outcome == Outcome::Answered) {
                missed = 0;
            } else if (++missed >= kPollMisses) {
                Failure failure = LinkFailure(*exchange);
                failure.message += " (" + std::to_string(missed) + " polls in a row)";
                return failure;
            }
        }
        return std::nullopt;
    }

    std::string Figure(double value, const calibration::GuidedStep& step) const {
        const bool outputs = step.Plan().kind == calibration::StepKind::Outputs;
        return fw::FormatNumber(outputs ? "%.3f" : "%.2f", value) + " " + step.Plan().unit;
    }

    std::string Tolerance(const calibration::GuidedStep& step) const {
        return "\u00b1" + fw::FormatNumber("%.3g", step.Tolerance()) + " " + step.Plan().unit;
    }

    std::string Deviation(double value, const calibration::GuidedStep& step) const {
        const bool outputs = step.Plan().kind == calibration::StepKind::Outputs;
        return fw::FormatNumber(outputs ? "%+.3f" : "%+.2f", step.Deviation(value)) + " " +
               step.DeviationUnit();
    }

    // The verdict as the command ends on it: 0 within tolerance, 3 outside.
    Result Verdict(bool within, const std::string& line) {
        io_.out << line << "\n";
        return Failure{
            within ? kDone : kReadBackDiffers,
            within ? std::string() : "the reading is outside its tolerance; see the verdict above"};
    }

    Result CalibrateReading(const calibration::StepPlan& plan,
                            const calibration::GuidedStep::Settings& settings) {
        calibration::GuidedStep step(link_.Link(), r_, link_.Link().Time(), plan, settings,
                                     recorder_);
        io_.err << plan.name << " at address " << Address() << ": " << plan.instruction
                << ". Waiting for the reading to settle...\n"
                << std::flush;
        bool timedOut = false;
        const auto limit = std::chrono::seconds(line_.command.timeoutSeconds);
        if (Result failure = PollUntil([&step] { return step.Settled(); }, limit, timedOut)) {
            return failure;
        }
        if (timedOut) return NotSettled(step, "as found");
        const calibration::WindowFigures found = *step.Readings().Latest(settings.rule);
        const std::string tolerance = "tolerance " + Tolerance(step);
        io_.out << "As found: " << Figure(found.mean, step) << "  deviation "
                << Deviation(found.mean, step) << "  (" << tolerance << "; settled over "
                << fw::FormatNumber("%.1f", found.Seconds()) << " s, " << found.polls
                << " polls, spread " << Figure(found.Spread(), step) << ")\n";
        const bool foundWithin = step.FoundWithinTolerance();
        if (line_.command.noAdjust) {
            step.LeaveAsFound();
            return Verdict(foundWithin, std::string("Verdict: ") + (foundWithin ? "PASS" : "FAIL") +
                                            " as found, not adjusted");
        }
        bool yes = false;
        if (Result failure = Confirm(FlatText(plan.request), yes)) return failure;
        if (!yes) {
            io_.out << FlatText(plan.cancelled) << "\n";
            return Verdict(foundWithin, std::string("Verdict: ") + (foundWithin ? "PASS" : "FAIL") +
                                            " as found, not calibrated");
        }
        step.Calibrate();
        if (Result failure = PollUntil(
                [&step] { return step.CurrentPhase() == calibration::Phase::Ended; },
                settings.confirmTimeout + settings.settleTimeout + std::chrono::seconds(5),
                timedOut)) {
            return failure;
        }
        if (step.End() == calibration::StepEnd::Failed) {
            const bool confirmed = step.CalibrationRequest().Answered();
            return Failure{confirmed ? kReadBackDiffers : kLinkFailed, step.Reason()};
        }
        const calibration::WindowFigures left = *step.Figures().asLeft;
        io_.out << "As left: " << Figure(left.mean, step) << "  deviation "
                << Deviation(left.mean, step) << "  (" << tolerance << "; settled over "
                << fw::FormatNumber("%.1f", left.Seconds()) << " s, " << left.polls << " polls)\n";
        const bool within = step.End() == calibration::StepEnd::Passed;
        return Verdict(within, std::string("Verdict: ") + (within ? "PASS" : "FAIL"));
    }

    Result NotSettled(const calibration::GuidedStep& step, const char* which) {
        std::string spread;
        const auto& samples = step.Readings().Samples();
        if (!samples.empty()) {
            double low = samples.front().value, high = low;
            for (const auto& sample : samples) {
                low = std::min(low, sample.value);
                high = std::max(high, sample.value);
            }
            const double seconds =
                std::chrono::duration<double>(samples.back().time - samples.front().time).count();
            spread = " (it spread " + Figure(high - low, step) + " over the last " +
                     fw::FormatNumber("%.0f", seconds) + " s; tolerance " + Tolerance(step) + ")";
        }
        return Failure{kReadBackDiffers,
                       std::string("the reading did not settle ") + which + " within " +
                           std::to_string(line_.command.timeoutSeconds) + " s" + spread};
    }

    // A DVM reading typed on the terminal, in mA.
    Result AskReading(const std::string& question, double& value) {
        while (true) {
            io_.err << question << " " << std::flush;
            const auto answer = io_.readLine();
            if (io_.interrupted()) {
                interruptedWhile_ = "waiting for a DVM reading";
                return Interrupted();
            }
            if (!answer) {
                io_.err << "\n";
                return Failure{kBadInput, "no DVM reading on standard input"};
            }
            const auto number = fw::ParseNumber(*answer);
            if (number && *number >= 0.0 && *number <= 30.0) {
                value = *number;
                return std::nullopt;
            }
            io_.err << "'" << *answer << "' is no current from 0 to 30 mA; type it again.\n";
        }
    }

    Result AskReadings(int mA, const char* when, calibration::OutputReadings& readings) {
        for (int output = 0; output < 2; ++output) {
            if (Result failure =
                    AskReading("Output " + std::to_string(output + 1) + " at " +
                                   std::to_string(mA) + " mA " + when + ", DVM reading in mA:",
                               readings[output])) {
                return failure;
            }
        }
        return std::nullopt;
    }

    Result CalibrateOutputs(int mA, const calibration::GuidedStep::Settings& settings) {
        const calibration::StepPlan plan = calibration::OutputStep(mA);
        calibration::GuidedStep step(link_.Link(), r_, link_.Link().Time(), plan, settings,
                                     recorder_);
        if (Result failure = SendQueued({TestBothOutputs})) return failure;
        io_.err << "Both current outputs are forced to " << mA << " mA.\n";
        calibration::OutputReadings found{};
        if (Result failure = AskReadings(mA, "as found", found)) return failure;
        step.EnterReadings(found);
        const bool foundWithin = step.FoundWithinTolerance();
        io_.out << "As found at " << mA << " mA: output 1 " << Figure(found[0], step) << " ("
                << Deviation(found[0], step) << "), output 2 " << Figure(found[1], step) << " ("
                << Deviation(found[1], step) << ")  (tolerance " << Tolerance(step) << ")\n";
        if (line_.command.noAdjust) {
            step.LeaveAsFound();
            return Verdict(foundWithin, "Verdict at " + std::to_string(mA) +
                                            " mA: " + (foundWithin ? "PASS" : "FAIL") +
                                            " as found, not adjusted");
        }
        bool yes = false;
        if (Result failure = Confirm(FlatText(plan.request), yes)) return failure;
        if (!yes) {
            io_.out << FlatText(plan.cancelled) << "\n";
            return Verdict(foundWithin, "Verdict at " + std::to_string(mA) +
                                            " mA: " + (foundWithin ? "PASS" : "FAIL") +
                                            " as found, not calibrated");
        }
        step.Calibrate();
        bool timedOut = false;
        if (Result failure = PollUntil(
                [&step] { return step.CurrentPhase() != calibration::Phase::Calibrating; },
                settings.confirmTimeout + std::chrono::seconds(5), timedOut)) {
            return failure;
        }
        if (step.End() == calibration::StepEnd::Failed) return Failure{kLinkFailed, step.Reason()};
        if (Result failure = SendQueued({TestBothOutputs})) return failure;
        calibration::OutputReadings left{};
        if (Result failure = AskReadings(mA, "as left", left)) return failure;
        step.EnterReadings(left);
        io_.out << "As left at " << mA << " mA: output 1 " << Figure(left[0], step) << " ("
                << Deviation(left[0], step) << "), output 2 " << Figure(left[1], step) << " ("
                << Deviation(left[1], step) << ")\n";
        const bool within = step.End() == calibration::StepEnd::Passed;
        return Verdict(within,
                       "Verdict at " + std::to_string(mA) + " mA: " + (within ? "PASS" : "FAIL"));
    }

    // A box's text on one line: "Calibrate 92.5 mS/cm ? Use Red/Orange Loop Resistor (60 ohms)".
    static std::string FlatText(const std::string& text) {
        std::string flat;
        for (const char c : text) {
            if (c == '\n') {
                if (!flat.empty() && flat.back() != ' ') flat += ' ';
            } else {
                flat += c;
            }
        }
        return flat;
    }

  private:
    records::ServiceRecorder* recorder_;
};

}  // namespace

Result RunCalibrate(const CommandLine& line, SharedRecords& records, FastLink& link,
                    Console& console, records::ServiceRecorder* recorder) {
    return CalibrateCommand(line, records, link, console, recorder).Run();
}

}  // namespace corvane::cli
