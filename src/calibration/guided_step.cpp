#include "calibration/guided_step.h"

#include <cmath>
#include <cstdio>

#include "framework/clock.h"
#include "link/command_table.h"
#include "link/forced_outputs.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "records/service_recorder.h"

namespace corvane::calibration {
namespace {

std::string Number(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string StabilityJson(const std::optional<WindowFigures>& window, double limit) {
    if (!window) return "null";
    records::DetailsBuilder figures;
    figures.Number("seconds", std::round(window->Seconds() * 10) / 10)
        .Integer("polls", window->polls)
        .Number("spread", std::round(window->Spread() * 1000) / 1000)
        .Number("limit", limit);
    return figures.Build();
}

// The point byte a conductivity calibration's request carries.
int PointOf(int command) {
    switch (command) {
        case CalibrateCond925: return 1;
        case CalibrateCond92_5: return 2;
        case CalibrateCond9_25: return 3;
        default: return 0;
    }
}

}  // namespace

const char* VerdictText(StepEnd end) {
    switch (end) {
        case StepEnd::Passed:
        case StepEnd::NotAdjusted: return "pass";
        case StepEnd::OutOfTolerance:
        case StepEnd::Failed: return "fail";
        default: return "not verified";
    }
}

GuidedStep::GuidedStep(SensorLink& link, SharedRecords& records, fw::Clock& clock, StepPlan plan,
                       Settings settings, records::ServiceRecorder* recorder)
    : link_(link),
      r_(records),
      clock_(clock),
      plan_(std::move(plan)),
      settings_(std::move(settings)),
      recorder_(recorder),
      address_(records.Sensor.DeviceId),
      phase_(plan_.kind == StepKind::Outputs ? Phase::ReadFound : Phase::AsFound),
      phaseSince_(clock.PreciseNow()) {
    figures_.tolerance = ToleranceOf(plan_, settings_.rule);
    link_.AddObserver(*this);
    if (plan_.kind == StepKind::Outputs) {
        // As the page's "Transmit": both outputs at the point, for the DVM.
        ForceBothOutputs(r_, link_, static_cast<int>(plan_.reference));
        r_.Service.CalOutputPoint = static_cast<int>(plan_.reference);
    }
}

// A step ended before its time (the window closed, the command interrupted): a calibration not
// yet sent is withdrawn, one confirmed is recorded without a reading as left, and forced outputs
// go back to normal.
GuidedStep::~GuidedStep() {
    link_.RemoveObserver(*this);
    if (phase_ == Phase::Ended) return;
    if (phase_ == Phase::Calibrating) {
        if (calibration_.OnTheLine()) {
            // Already on the line: the sensor may yet take it, so it is stamped as the page
            // stamps what it sent, and recorded as any calibration.
            link_.NoteCalibrationToStamp();
        } else {
            link_.Withdraw(plan_.command);
        }
        if (recorder_ != nullptr) recorder_->DropGuidedCalibration(address_);
    }
    if ((phase_ == Phase::AsLeft || phase_ == Phase::ReadLeft) && recorder_ != nullptr) {
        end_ = StepEnd::Skipped;
        reason_ = "The step ended before the reading as left was taken.";
        recorder_->CompleteGuidedCalibration(address_, std::nullopt, GuidedJson());
    }
    if (plan_.kind == StepKind::Outputs) ReturnOutputsToNormal(r_, link_);
}

int GuidedStep::Function() const {
    switch (plan_.kind) {
        case StepKind::Conductivity: return fn::kCalibrateCond;
        case StepKind::Temperature: return fn::kCalibrateTemp;
        case StepKind::Outputs: return fn::kCalibrateOutputs;
    }
    return 0;
}

std::string GuidedStep::ReadingName() const {
    switch (plan_.kind) {
        case StepKind::Conductivity: return "cond_no_tc";
        case StepKind::Temperature: return "temperature";
        case StepKind::Outputs: return "";
    }
    return "";
}

bool GuidedStep::Settled() const {
    return readings_.Stable(settings_.rule, figures_.tolerance);
}

bool GuidedStep::Within(double value) const {
    // The readings' decimal steps must not put a value exactly on the limit outside it.
    return std::fabs(value - plan_.reference) <= figures_.tolerance + 1e-9;
}

bool GuidedStep::FoundWithinTolerance() const {
    if (plan_.kind == StepKind::Outputs) {
        return figures_.outputsFound && Within((*figures_.outputsFound)[0]) &&
               Within((*figures_.outputsFound)[1]);
    }
    const auto latest = readings_.Latest(settings_.rule);
    return Settled() && latest && Within(latest->mean);
}

double GuidedStep::Deviation(double value) const {
    if (plan_.kind == StepKind::Conductivity && plan_.reference != 0.0) {
        return 100.0 * (value - plan_.reference) / plan_.reference;
    }
    return value - plan_.reference;
}

const char* GuidedStep::DeviationUnit() const {
    if (plan_.kind == StepKind::Conductivity) return plan_.reference != 0.0 ? "%" : "mS/cm";
    return plan_.kind == StepKind::Outputs ? "mA" : (plan_.unit == "°F" ? "°F" : "°C");
}

void GuidedStep::PollWasAnswered(const PollAnswered& poll) {
    if (poll.address != address_ || phase_ == Phase::Ended) return;
    const ReadingRow& row = poll.reading;
    temperatures_.Add(row.time, row.Temperature);
    if (plan_.kind == StepKind::Conductivity) readings_.Add(row.time, row.CondRaw);
    if (plan_.kind == StepKind::Temperature) readings_.Add(row.time, row.Temperature);
    Tick();
}

void GuidedStep::Calibrate() {
    if (phase_ != Phase::AsFound && phase_ != Phase::ReadFound) return;
    ServiceRequests& svc = r_.Service;
    records::GuidedCalibration guide;
    if (plan_.kind == StepKind::Outputs) {
        if (!figures_.outputsFound) return;
        // As the page's "Calibrate Current Outputs" answered Yes: the readings entered go out for
        // the point both outputs are forced to.
        svc.CalOut1Reading = (*figures_.outputsFound)[0];
        svc.CalOut2Reading = (*figures_.outputsFound)[1];
        svc.CalOutputPoint = static_cast<int>(plan_.reference);
        svc.TestOut1Display = plan_.reference;
        svc.TestOut2Display = plan_.reference;
        svc.CalOutputsEntered = true;
    } else {
        figures_.asFound = readings_.Latest(settings_.rule);
        if (!figures_.asFound && !readings_.Samples().empty()) {
            // Calibrating before the stretch is long enough: what there is counts as found.
            std::vector<double> values;
            for (const auto& sample : readings_.Samples()) values.push_back(sample.value);
            figures_.asFound = FiguresOf(values, readings_.Samples().front().time,
                                         readings_.Samples().back().time);
        }
        if (const auto found = temperatures_.Latest(settings_.rule)) {
            figures_.temperature = found->mean;
        } else if (!temperatures_.Samples().empty()) {
            figures_.temperature = temperatures_.Samples().back().value;
        }
        if (plan_.kind == StepKind::Temperature) svc.CalTrueTemperature = plan_.reference;
        guide.reading = ReadingName();
        if (figures_.asFound) {
            guide.foundFrom = figures_.asFound->from;
            guide.foundTo = figures_.asFound->to;
        }
    }
    guide.guided = GuidedJson();
    // What the record says should the sensor not confirm: the same figures, judged failed.
    end_ = StepEnd::Failed;
    reason_ = "The sensor did not confirm the calibration.";
    guide.guidedIfFailed = GuidedJson();
    end_ = StepEnd::None;
    reason_.clear();
    if (recorder_ != nullptr) recorder_->ExpectGuidedCalibration(address_, std::move(guide));
    calibration_ = link_.Queue(plan_.command);
    phase_ = Phase::Calibrating;
    phaseSince_ = clock_.PreciseNow();
}

void GuidedStep::EnterReadings(const OutputReadings& readings) {
    if (phase_ == Phase::ReadFound) {
        figures_.outputsFound = readings;
    } else if (phase_ == Phase::ReadLeft) {
        figures_.outputsLeft = readings;
        const bool within = Within(readings[0]) && Within(readings[1]);
        end_ = within ? StepEnd::Passed : StepEnd::OutOfTolerance;
        if (recorder_ != nullptr) {
            recorder_->CompleteGuidedCalibration(address_, std::nullopt, GuidedJson());
        }
        Finish(end_);
    }
}

void GuidedStep::LeaveAsFound() {
    if (phase_ != Phase::AsFound && phase_ != Phase::ReadFound) return;
    if (plan_.kind == StepKind::Outputs ? !figures_.outputsFound
                                        : !readings_.Latest(settings_.rule)) {
        return;  // nothing found yet to leave
    }
    records::GuidedCalibration check;
    check.foundWithin = FoundWithinTolerance();
    std::vector<std::uint8_t> request{static_cast<std::uint8_t>(address_),
                                      static_cast<std::uint8_t>(Function())};
    if (plan_.kind != StepKind::Outputs) {
        figures_.asFound = readings_.Latest(settings_.rule);
        if (const auto found = temperatures_.Latest(settings_.rule)) {
            figures_.temperature = found->mean;
        }
        check.reading = ReadingName();
        check.foundFrom = figures_.asFound->from;
        check.foundTo = figures_.asFound->to;
    }
    if (plan_.kind == StepKind::Conductivity) {
        request.push_back(static_cast<std::uint8_t>(PointOf(plan_.command)));
    } else if (plan_.kind == StepKind::Temperature) {
        const auto raw = static_cast<std::uint16_t>(static_cast<int>(plan_.reference * 100));
        request.push_back(static_cast<std::uint8_t>(raw >> 8));
        request.push_back(static_cast<std::uint8_t>(raw & 0xFF));
    } else {
        for (const double mA : *figures_.outputsFound) {
            const auto raw = static_cast<std::uint16_t>(static_cast<int>(mA * 1000));
            request.push_back(static_cast<std::uint8_t>(raw >> 8));
            request.push_back(static_cast<std::uint8_t>(raw & 0xFF));
        }
    }
    end_ = StepEnd::NotAdjusted;
    check.guided = GuidedJson();
    if (recorder_ != nullptr) recorder_->RecordCheckOnly(address_, Function(), request, check);
    Finish(StepEnd::NotAdjusted);
}

void GuidedStep::Skip() {
    if (phase_ == Phase::Ended || phase_ == Phase::Calibrating) return;
    if (phase_ == Phase::AsLeft || phase_ == Phase::ReadLeft) {
        // Calibrated but not checked: recorded without a reading as left.
        end_ = StepEnd::Skipped;
        if (recorder_ != nullptr) {
            recorder_->CompleteGuidedCalibration(address_, std::nullopt, GuidedJson());
        }
    }
    Finish(StepEnd::Skipped);
}

void GuidedStep::ExchangeHasEnded(const ExchangeEnded&) {
    if (phase_ == Phase::Calibrating && calibration_.Ended()) CalibrationEnded();
}

void GuidedStep::CalibrationEnded() {
    switch (calibration_.End()) {
        case RequestEnd::Answered: break;
        case RequestEnd::Exception:
            Fail("The sensor refused it with an exception reply (code " +
                 std::to_string(calibration_.ExceptionCode()) +
                 "): the calibration was not confirmed.");
            return;
        case RequestEnd::Garbled:
            Fail(
                "The sensor answered with a reply that failed its check: the calibration was "
                "not confirmed.");
            return;
        case RequestEnd::Silent:
            Fail("The sensor did not answer in time: the calibration was not confirmed.");
            return;
        case RequestEnd::PortFailed:
            Fail("The sensor could not be reached: the calibration was not confirmed.");
            return;
        default:  // withdrawn or refused: nothing went to the sensor
            if (recorder_ != nullptr) recorder_->DropGuidedCalibration(address_);
            Fail("The calibration was not sent: nothing was calibrated.");
            return;
    }
    link_.NoteCalibrationToStamp();
    readings_.Clear();
    phaseSince_ = clock_.PreciseNow();
    if (plan_.kind == StepKind::Outputs) {
        // The sensor calibrated the point it was forced to; forced again for the DVM as left.
        ForceBothOutputs(r_, link_, static_cast<int>(plan_.reference));
        r_.Service.CalOutputPoint = static_cast<int>(plan_.reference);
        phase_ = Phase::ReadLeft;
    } else {
        phase_ = Phase::AsLeft;
    }
}

void GuidedStep::Tick() {
    const TimePoint now = clock_.PreciseNow();
    // A request on the line is left to the engine's own reply time-out; one still waiting in the
    // queue (behind other commands) is given up here.
    if (phase_ == Phase::Calibrating && calibration_.Ended()) {
        CalibrationEnded();
        return;
    }
    if (phase_ == Phase::Calibrating && now - phaseSince_ > settings_.confirmTimeout &&
        !calibration_.OnTheLine()) {
        link_.Withdraw(plan_.command);
        if (recorder_ != nullptr) recorder_->DropGuidedCalibration(address_);
        Fail("The calibration could not be sent within " +
             std::to_string(settings_.confirmTimeout.count()) + " s: nothing was calibrated.");
        return;
    }
    if (phase_ != Phase::AsLeft) return;
    if (Settled()) {
        TakeAsLeft();
    } else if (now - phaseSince_ > settings_.settleTimeout) {
        Fail("The reading did not settle within " +
             std::to_string(settings_.settleTimeout.count()) +
             " s after the calibration: no reading as left was taken.");
    }
}

void GuidedStep::TakeAsLeft() {
    figures_.asLeft = readings_.Latest(settings_.rule);
    end_ = Within(figures_.asLeft->mean) ? StepEnd::Passed : StepEnd::OutOfTolerance;
    if (recorder_ != nullptr) {
        recorder_->CompleteGuidedCalibration(
            address_, std::pair{figures_.asLeft->from, figures_.asLeft->to}, GuidedJson());
    }
    Finish(end_);
}

void GuidedStep::Fail(std::string reason) {
    const bool confirmed = phase_ == Phase::AsLeft || phase_ == Phase::ReadLeft;
    reason_ = std::move(reason);
    end_ = StepEnd::Failed;
    if (confirmed && recorder_ != nullptr) {
        recorder_->CompleteGuidedCalibration(address_, std::nullopt, GuidedJson());
    }
    // A calibration the sensor never confirmed is recorded by the recorder as it failed.
    Finish(StepEnd::Failed);
}

void GuidedStep::Finish(StepEnd end) {
    end_ = end;
    phase_ = Phase::Ended;
    if (plan_.kind == StepKind::Outputs) ReturnOutputsToNormal(r_, link_);
}

const char* GuidedStep::Verdict(std::optional<double> found, std::optional<double> left) const {
    if (end_ == StepEnd::NotAdjusted) return found && Within(*found) ? "pass" : "fail";
    if (end_ == StepEnd::Failed) return "fail";
    if (!left) return "not verified";
    return Within(*left) ? "pass" : "fail";
}

std::string GuidedStep::RowJson(const std::string& name, double reference,
                                std::optional<double> found, std::optional<double> left) const {
    const std::optional<double> last = end_ == StepEnd::NotAdjusted ? found : left;
    return std::string("{\"name\":") + records::JsonString(name) +
           ",\"reference\":" + Number(reference) + ",\"unit\":" + records::JsonString(plan_.unit) +
           ",\"as_found\":" + (found ? Number(*found) : "null") +
           ",\"as_left\":" + (left ? Number(*left) : "null") + ",\"deviation\":" +
           (last ? Number(std::round(Deviation(*last) * 1000) / 1000) : "null") +
           ",\"deviation_unit\":" + records::JsonString(DeviationUnit()) +
           ",\"tolerance\":" + Number(figures_.tolerance) + ",\"verdict\":\"" +
           Verdict(found, left) + "\"}";
}

std::string GuidedStep::GuidedJson() const {
    std::string rows = "[";
    if (plan_.kind == StepKind::Outputs) {
        for (int output = 0; output < 2; ++output) {
            const auto found = figures_.outputsFound
                                   ? std::optional<double>((*figures_.outputsFound)[output])
                                   : std::nullopt;
            const auto left = figures_.outputsLeft
                                  ? std::optional<double>((*figures_.outputsLeft)[output])
                                  : std::nullopt;
            if (output > 0) rows += ",";
            rows += RowJson(
                "Output " + std::to_string(output + 1) + " at " + Number(plan_.reference) + " mA",
                plan_.reference, found, left);
        }
    } else {
        const auto found =
            figures_.asFound ? std::optional<double>(figures_.asFound->mean) : std::nullopt;
        const auto left =
            figures_.asLeft ? std::optional<double>(figures_.asLeft->mean) : std::nullopt;
        const std::string name =
            plan_.kind == StepKind::Conductivity ? Number(plan_.reference) + " mS/cm" : plan_.name;
        rows += RowJson(name, plan_.reference, found, left);
    }
    rows += "]";
    records::DetailsBuilder guided;
    guided.Text("run", settings_.run)
        .Flag("adjusted", end_ != StepEnd::NotAdjusted)
        .Json("rows", rows);
    if (figures_.temperature) {
        guided.Number("temperature", std::round(*figures_.temperature * 100) / 100)
            .Text("temperature_unit", r_.Sensor.TempFahrenheit == 1 ? "°F" : "°C");
    }
    if (plan_.kind != StepKind::Outputs) {
        records::DetailsBuilder stability;
        stability.Json("as_found", StabilityJson(figures_.asFound, figures_.tolerance))
            .Json("as_left", StabilityJson(figures_.asLeft, figures_.tolerance));
        guided.Json("stability", stability.Build());
    }
    if (!reason_.empty()) guided.Text("failure", reason_);
    return guided.Build();
}

}  // namespace corvane::calibration
