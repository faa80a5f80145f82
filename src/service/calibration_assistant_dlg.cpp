#include "service/calibration_assistant_dlg.h"

#include <algorithm>
#include <cmath>

#include "framework/number_text.h"
#include "link/forced_outputs.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "records/service_recorder.h"
#include "resources/calibration_assistant.h"

namespace corvane {
namespace {

using calibration::Phase;
using calibration::StepEnd;
using calibration::StepKind;

constexpr std::uint32_t kReadingColour = 0x1f5fbf;
constexpr std::uint32_t kReferenceColour = 0x2e8b57;
constexpr std::uint32_t kToleranceColour = 0xb0b0b0;

std::string ResultText(const calibration::GuidedStep& step) {
    switch (step.End()) {
        case StepEnd::Passed: return "PASS";
        case StepEnd::OutOfTolerance: return "FAIL (outside tolerance as left)";
        case StepEnd::NotAdjusted: return "PASS (as found within tolerance, not adjusted)";
        case StepEnd::Failed: return "FAILED";
        case StepEnd::Skipped: return "skipped";
        default: return "";
    }
}

// A grid step of 1, 2 or 5 times a power of ten that cuts `range` into about five.
double NiceStep(double range) {
    const double rough = std::max(range, 1e-6) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough) return m * power;
    }
    return 10.0 * power;
}

double Ms(calibration::TimePoint t) {
    return static_cast<double>(
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
}

}  // namespace

CCalibrationAssistantDlg::CCalibrationAssistantDlg(fw::Host& host, SharedRecords& records,
                                                   SensorLink& link)
    : Dialog(host, resources::CalibrationAssistantTemplate()), records_(records), link_(link) {
    for (const calibration::StepPlan& point : calibration::ConductivityPoints()) {
        entries_.push_back({point, ""});
    }
    entries_.push_back({calibration::TemperatureStep(0.0, false), ""});
    entries_.push_back({calibration::OutputStep(4), ""});
    entries_.push_back({calibration::OutputStep(20), ""});
}

CCalibrationAssistantDlg::~CCalibrationAssistantDlg() {
    CloseWindow();
    step_.reset();
    UseRecorder(nullptr);
}

void CCalibrationAssistantDlg::UseRecorder(records::ServiceRecorder* recorder) {
    if (recorder_ != nullptr) recorder_->SetEventTap({});
    recorder_ = recorder;
    if (recorder_ == nullptr) return;
    recorder_->SetEventTap([this](const records::ServiceEvent& event) {
        if (!run_.empty() && event.kind == records::kind::kCalibration &&
            event.details.find("\"run\":\"" + run_ + "\"") != std::string::npos) {
            runEvents_.push_back(event);
        }
    });
}

void CCalibrationAssistantDlg::UseCertificates(CertificateWriter writer, CertificateName name) {
    certificateWriter_ = std::move(writer);
    certificateName_ = std::move(name);
}

void CCalibrationAssistantDlg::Open(fw::WindowView* owner) {
    ShowModeless(owner);
}

std::vector<std::string> CCalibrationAssistantDlg::StepLines() const {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        std::string line = e.plan.name + ": ";
        if (static_cast<int>(i) == current_ && step_) {
            line += "under way";
        } else {
            line += e.result.empty() ? "to do" : e.result;
        }
        lines.push_back(line);
    }
    return lines;
}

bool CCalibrationAssistantDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    run_ = records::NewUuid();
    runEvents_.clear();
    current_ = -1;
    for (Entry& e : entries_) e.result.clear();
    const calibration::StabilityRule rule;
    Controls().SetText(ids::kAsstSeconds, fw::FormatNumber("%g", rule.minSeconds));
    Controls().SetText(ids::kAsstPolls, std::to_string(rule.minPolls));
    Controls().SetText(ids::kAsstPercent, fw::FormatNumber("%g", rule.relativeTolerance * 100));
    Controls().SetText(ids::kAsstZero, fw::FormatNumber("%g", rule.nearZeroMs));
    Controls().SetText(ids::kAsstDegrees, fw::FormatNumber("%g", rule.temperatureC));
    Controls().ListSetItems(ids::kAsstSteps, StepLines());
    Controls().ListSelect(ids::kAsstSteps, 0);
    SetState(!SerialNumberRead(records_.Sensor)
                 ? "Read the sensor's setup first, so that the record and the certificate name "
                   "the sensor."
                 : "Sensor " + records_.Sensor.SerialNumber + " at address " +
                       std::to_string(records_.Sensor.DeviceId) + ".");
    Refresh();
    SetTimer(kTimerId, kRefreshMs);
    return true;
}

void CCalibrationAssistantDlg::OnDestroy() {
    EndRun();
    Dialog::OnDestroy();
}

// Whatever way the window closes: a step under way ends (its outputs go back to normal), and the
// calibrations the sensor confirmed are stamped once.
void CCalibrationAssistantDlg::EndRun() {
    step_.reset();
    current_ = -1;
    if (OutputsLeftForced(records_) && !BothOutputsCommandUnderway(records_)) {
        ReturnOutputsToNormal(records_, link_);
    }
    link_.StampCalibrationIfDue(host_.Now());
}

void CCalibrationAssistantDlg::OnNotify(int id, fw::Notify notify) {
    using namespace ids;
    if (notify == fw::Notify::SelectionChanged && id == kAsstSteps && !step_) {
        Refresh();
        return;
    }
    if (notify != fw::Notify::Clicked) return;
    switch (id) {
        case kAsstStart: StartStep(); break;
        case kAsstCalibrate: AskToCalibrate(); break;
        case kAsstEnterReadings: EnterReadings(); break;
        case kAsstLeaveAsFound:
            if (step_) step_->LeaveAsFound();
            Refresh();
            break;
        case kAsstSkip:
            if (step_) {
                step_->Skip();
            } else if (current_ < 0) {
                const int chosen = Controls().ListSelection(kAsstSteps);
                if (chosen >= 0) entries_[static_cast<std::size_t>(chosen)].result = "skipped";
                Controls().ListSetItems(kAsstSteps, StepLines());
                Controls().ListSelect(
                    kAsstSteps, std::min<int>(chosen + 1, static_cast<int>(entries_.size()) - 1));
            }
            Refresh();
            break;
        case kAsstCertificate: WriteCertificate(); break;
        case kAsstClose: EndDialog(0); break;
        default: break;
    }
}

bool CCalibrationAssistantDlg::ReadSettings(calibration::GuidedStep::Settings& settings) {
    struct Field {
        int id;
        const char* name;
        double low, high;
        double* target;
        double scale;
    };
    double seconds = 0, polls = 0, percent = 0;
    calibration::StabilityRule& rule = settings.rule;
    const Field fields[] = {
        {ids::kAsstSeconds, "Stable for at least (s)", 1, 3600, &seconds, 1},
        {ids::kAsstPolls, "and at least (polls)", 2, 100000, &polls, 1},
        {ids::kAsstPercent, "Spread within (% of point)", 0.001, 10, &percent, 1},
        {ids::kAsstZero, "At 0 mS/cm within (mS/cm)", 0.001, 10, &rule.nearZeroMs, 1},
        {ids::kAsstDegrees, "Temperature within (°C)", 0.001, 5, &rule.temperatureC, 1},
    };
    for (const Field& f : fields) {
        const auto value = fw::ParseNumber(Controls().Text(f.id));
        if (!value || *value < f.low || *value > f.high) {
            SetState(std::string(f.name) + ": give a number from " + fw::FormatNumber("%g", f.low) +
                     " to " + fw::FormatNumber("%g", f.high) + ".");
            Controls().SetFocus(f.id);
            return false;
        }
        *f.target = *value * f.scale;
    }
    rule.minSeconds = seconds;
    rule.minPolls = static_cast<int>(polls);
    rule.relativeTolerance = percent / 100.0;
    settings.run = run_;
    return true;
}

void CCalibrationAssistantDlg::StartStep() {
    if (step_) return;
    const int chosen = Controls().ListSelection(ids::kAsstSteps);
    if (chosen < 0) return;
    calibration::GuidedStep::Settings settings;
    if (!ReadSettings(settings)) return;
    calibration::StepPlan plan = entries_[static_cast<std::size_t>(chosen)].plan;
    if (plan.kind == StepKind::Temperature) {
        const bool fahrenheit = records_.Sensor.TempFahrenheit == 1;
        const auto typed = fw::ParseNumber(Controls().Text(ids::kAsstReference));
        plan = calibration::TemperatureStep(typed ? *typed : 0.0, fahrenheit);
        if (!typed || std::fabs(*typed) > 327.0) {
            SetState("Reference: enter the bath's true temperature in " + plan.unit +
                     ", then start the step.");
            Controls().SetFocus(ids::kAsstReference);
            return;
        }
    }
    current_ = chosen;
    step_ = std::make_unique<calibration::GuidedStep>(link_, records_, host_, plan, settings,
                                                      recorder_);
    Controls().SetText(ids::kAsstInstruction, plan.instruction + ".");
    if (plan.kind != StepKind::Temperature) {
        Controls().SetText(ids::kAsstReference, Figure(plan.reference));
    }
    SetState(plan.kind == StepKind::Outputs
                 ? "Both outputs are forced to " + Figure(plan.reference) +
                       ": enter the DVM readings of output 1 and 2."
                 : "Waiting for the reading to settle.");
    Controls().ListSetItems(ids::kAsstSteps, StepLines());
    Controls().ListSelect(ids::kAsstSteps, chosen);
    Refresh();
}

// Before the reading has settled the assistant asks first; then the page's own question.
void CCalibrationAssistantDlg::AskToCalibrate() {
    if (!step_) return;
    const Phase phase = step_->CurrentPhase();
    if (phase == Phase::ReadFound && !step_->Figures().outputsFound) {
        SetState("Enter the DVM readings as found first.");
        return;
    }
    if (phase == Phase::AsFound && !step_->Settled()) {
        host_.PlayBeep(fw::Beep::Question);
        AskDefaultNo(
            "The reading has not settled yet: calibrating now may leave an error.\n\nCalibrate "
            "anyway?",
            kCaption, [this](fw::Answer answer) {
                if (answer == fw::Answer::Yes) Request();
            });
        return;
    }
    if (phase == Phase::AsFound || phase == Phase::ReadFound) Request();
}

// A conductivity point whose reading is far from its reference is asked about first, as on the
// Calibration page; then the page's own question.
void CCalibrationAssistantDlg::Request() {
    if (!step_) return;
    const calibration::StepPlan plan = step_->Plan();
    const auto far = calibration::FarFromReferenceQuestion(plan, records_.Sensor.CondRaw);
    if (!far) {
        AskPagesQuestion();
        return;
    }
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(*far, kBoxCaption, [this, plan](fw::Answer answer) {
        if (!step_) return;
        if (answer == fw::Answer::Yes) {
            AskPagesQuestion();
        } else {
            MessageBox(plan.cancelled, kBoxCaption, fw::Icon::Exclamation, fw::Buttons::Ok);
        }
    });
}

void CCalibrationAssistantDlg::AskPagesQuestion() {
    if (!step_) return;
    const calibration::StepPlan plan = step_->Plan();
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(plan.request, kBoxCaption, [this, plan](fw::Answer answer) {
        if (!step_) return;
        if (answer == fw::Answer::Yes) {
            step_->Calibrate();
            SetState("Calibrating: waiting for the sensor's confirmation.");
            Refresh();
        } else {
            MessageBox(plan.cancelled, kBoxCaption, fw::Icon::Exclamation, fw::Buttons::Ok);
        }
    });
}

void CCalibrationAssistantDlg::EnterReadings() {
    if (!step_) return;
    calibration::OutputReadings readings{};
    const int edits[] = {ids::kAsstOut1, ids::kAsstOut2};
    for (int i = 0; i < 2; ++i) {
        const auto value = fw::ParseNumber(Controls().Text(edits[i]));
        if (!value || *value < 0.0 || *value > 30.0) {
            SetState("DVM Output " + std::to_string(i + 1) +
                     ": give the current read, 0 to 30 mA.");
            Controls().SetFocus(edits[i]);
            return;
        }
        readings[static_cast<std::size_t>(i)] = *value;
    }
    const bool left = step_->CurrentPhase() == Phase::ReadLeft;
    step_->EnterReadings(readings);
    if (!left && step_->CurrentPhase() == Phase::ReadFound) {
        SetState(step_->FoundWithinTolerance()
                     ? "As found within tolerance: calibrate, or leave the outputs as found."
                     : "As found outside tolerance: calibrate the outputs.");
    }
    Refresh();
}

void CCalibrationAssistantDlg::OnTimer(int id) {
    if (id != kTimerId) return;
    if (step_) step_->Tick();
    Refresh();
}

void CCalibrationAssistantDlg::StepEnded() {
    Entry& entry = entries_[static_cast<std::size_t>(current_)];
    entry.result = ResultText(*step_);
    const calibration::StepFigures& f = step_->Figures();
    if (f.asLeft) entry.result += ", as left " + Figure(f.asLeft->mean);
    if (step_->End() == StepEnd::Failed) {
        SetState(step_->Reason());
    } else {
        SetState(entry.plan.name + ": " + entry.result + ".");
    }
    const int next = std::min<int>(current_ + 1, static_cast<int>(entries_.size()) - 1);
    step_.reset();
    current_ = -1;
    Controls().ListSetItems(ids::kAsstSteps, StepLines());
    Controls().ListSelect(ids::kAsstSteps, next);
}

std::string CCalibrationAssistantDlg::Figure(double value) {
    const calibration::StepPlan& plan =
        step_ ? step_->Plan()
              : entries_[static_cast<std::size_t>(
                             std::max(0, Controls().ListSelection(ids::kAsstSteps)))]
                    .plan;
    return fw::FormatNumber(plan.kind == StepKind::Outputs ? "%.3f" : "%.2f", value) + " " +
           (plan.kind == StepKind::Temperature
                ? std::string(records_.Sensor.TempFahrenheit == 1 ? "°F" : "°C")
                : plan.unit);
}

// The step's tolerance to three significant digits: 0.185 mS/cm, 0.1 °C, 0.02 mA.
std::string CCalibrationAssistantDlg::Limit() {
    const std::string unit = Figure(0.0).substr(Figure(0.0).find(' ') + 1);
    return fw::FormatNumber("%.3g", step_->Tolerance()) + " " + unit +
           (calibration::RaisedToResolution(step_->Plan(), step_->Rule()) ? " (resolution)" : "");
}

void CCalibrationAssistantDlg::Refresh() {
    if (!IsOpen()) return;
    using namespace ids;
    if (step_ && step_->CurrentPhase() == Phase::Ended) StepEnded();
    const Phase phase = step_ ? step_->CurrentPhase() : Phase::Ended;
    const bool outputs = step_ && step_->Plan().kind == StepKind::Outputs;
    Controls().Enable(kAsstStart, !step_);
    Controls().Enable(kAsstSteps, !step_);
    Controls().Enable(kAsstCalibrate,
                      phase == Phase::AsFound ||
                          (phase == Phase::ReadFound && step_->Figures().outputsFound.has_value()));
    Controls().Enable(kAsstLeaveAsFound, (phase == Phase::AsFound || phase == Phase::ReadFound) &&
                                             step_->FoundWithinTolerance());
    Controls().Enable(kAsstSkip, phase != Phase::Calibrating);
    Controls().Enable(kAsstEnterReadings, phase == Phase::ReadFound || phase == Phase::ReadLeft);
    Controls().Enable(kAsstOut1, outputs);
    Controls().Enable(kAsstOut2, outputs);
    const int chosen = Controls().ListSelection(kAsstSteps);
    const bool temperature =
        step_ ? step_->Plan().kind == StepKind::Temperature
              : chosen >= 0 &&
                    entries_[static_cast<std::size_t>(chosen)].plan.kind == StepKind::Temperature;
    Controls().Enable(kAsstReference, temperature && !step_);
    Controls().Enable(kAsstCertificate,
                      !runEvents_.empty() && static_cast<bool>(certificateWriter_));
    if (!step_) {
        // What the chosen step asks for, before it is started.
        if (chosen >= 0) {
            const calibration::StepPlan& next = entries_[static_cast<std::size_t>(chosen)].plan;
            Controls().SetText(kAsstInstruction,
                               "Next: " + next.instruction + ", then Start Step.");
            if (next.kind != StepKind::Temperature) {
                Controls().SetText(kAsstReference, Figure(next.reference));
            }
        }
        Controls().SetText(kAsstReading, "");
        Controls().SetText(kAsstStability, "");
        Controls().SetChart(kAsstChart, {});
        return;
    }
    const calibration::StabilityWindow& readings = step_->Readings();
    if (!outputs && !readings.Samples().empty()) {
        const double now = readings.Samples().back().value;
        Controls().SetText(kAsstReading, "Reading " + Figure(now) + "   deviation " +
                                             fw::FormatNumber("%+.2f", step_->Deviation(now)) +
                                             " " + step_->DeviationUnit());
    } else if (outputs && step_->Figures().outputsFound) {
        const auto& found = *step_->Figures().outputsFound;
        Controls().SetText(kAsstReading, "As found " + Figure(found[0]) + " / " + Figure(found[1]));
    }
    std::string stability;
    if (phase == Phase::Calibrating) {
        stability = "Calibrating: waiting for the sensor's confirmation.";
    } else if (phase == Phase::ReadLeft) {
        stability = "Calibrated: enter the DVM readings again, as left.";
        SetState(stability);
    } else if (!outputs) {
        const bool again = phase == Phase::AsLeft;
        if (again) SetState("Calibrated: waiting for the reading to settle again, as left.");
        if (phase == Phase::AsFound) {
            SetState(
                step_->Settled()
                    ? (step_->FoundWithinTolerance()
                           ? "Settled within tolerance: calibrate, or leave the point as found."
                           : "Settled: calibrate the point.")
                    : "Waiting for the reading to settle.");
        }
        if (const auto figures = readings.Latest(step_->Rule())) {
            stability = std::string(step_->Settled() ? (again ? "Settled again" : "Stable")
                                                     : (again ? "Settling again" : "Settling")) +
                        ": " + fw::FormatNumber("%.1f", figures->Seconds()) + " s, " +
                        std::to_string(figures->polls) + " polls, spread " +
                        Figure(figures->Spread()) + ", limit " + Limit() + ".";
        } else {
            stability = std::string(again ? "Settling again" : "Settling") + ": " +
                        fw::FormatNumber("%.0f", readings.Progress(step_->Rule()) * 100) +
                        " % of the readings needed to judge, limit " + Limit() + ".";
        }
    }
    Controls().SetText(kAsstStability, stability);
    ShowChart();
}

void CCalibrationAssistantDlg::ShowChart() {
    fw::ChartContent chart;
    const calibration::StabilityWindow& readings = step_->Readings();
    if (step_->Plan().kind == StepKind::Outputs || readings.Samples().empty()) {
        Controls().SetChart(ids::kAsstChart, chart);
        return;
    }
    const calibration::TimePoint last = readings.Samples().back().time;
    chart.xMax = Ms(last);
    chart.xMin = chart.xMax - 60'000.0;
    for (int s = 60; s >= 10; s -= 10) {
        chart.xTicks.push_back({chart.xMax - s * 1000.0, "-" + std::to_string(s) + " s"});
    }
    const double reference = step_->Plan().reference;
    const double limit = step_->Tolerance();
    double low = reference - limit;
    double high = reference + limit;
    fw::ChartSeries reading{"Reading", kReadingColour, {{}}};
    for (const auto& sample : readings.Samples()) {
        reading.segments.front().push_back({Ms(sample.time), sample.value});
        low = std::min(low, sample.value);
        high = std::max(high, sample.value);
    }
    const double step = NiceStep(high - low);
    fw::ChartPane pane;
    pane.title = step_->Plan().name + "  " + Figure(readings.Samples().back().value);
    pane.axis = {std::floor(low / step) * step, std::ceil(high / step) * step, step,
                 step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)))};
    pane.series.push_back(
        {"Reference", kReferenceColour, {{{chart.xMin, reference}, {chart.xMax, reference}}}});
    pane.series.push_back({"Tolerance",
                           kToleranceColour,
                           {{{chart.xMin, reference - limit}, {chart.xMax, reference - limit}},
                            {{chart.xMin, reference + limit}, {chart.xMax, reference + limit}}}});
    pane.series.push_back(std::move(reading));
    chart.panes.push_back(std::move(pane));
    Controls().SetChart(ids::kAsstChart, std::move(chart));
}

void CCalibrationAssistantDlg::WriteCertificate() {
    if (runEvents_.empty() || !certificateWriter_) return;
    const std::vector<records::ServiceEvent> events = runEvents_;
    fw::FileDialogRequest request{
        .save = true,
        .defaultExtension = "pdf",
        .initialName = certificateName_ ? certificateName_(events) : "certificate.pdf",
        .filter = "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*||",
        .mustExist = false};
    FileDialog(request, [this, events](std::optional<std::string> path) {
        if (!path) return;
        const std::string error = certificateWriter_(events, *path);
        if (!error.empty()) {
            host_.PlayBeep(fw::Beep::Exclamation);
            MessageBox(error + "\nThe certificate was not written.", kCaption,
                       fw::Icon::Exclamation, fw::Buttons::Ok);
            return;
        }
        SetState("Certificate written to " + *path);
    });
}

void CCalibrationAssistantDlg::SetState(const std::string& text) {
    if (IsOpen()) Controls().SetText(ids::kAsstState, text);
}

}  // namespace corvane
