#include "service/calibrate_page.h"

#include "calibration/calibration_points.h"
#include "framework/exchange_fields.h"
#include "link/command_table.h"
#include "link/forced_outputs.h"
#include "resources/calibration_page.h"

namespace corvane {
namespace {

constexpr int kUnitLimit = 15;

constexpr const char* kSelectPoint =
    "To calibrate the Current Output,\n\nSelect 4 or 20 mA then retry";
constexpr const char* kResetCancelled = "Reset Sensor Calibrations Cancelled !";

// The conductivity point a button calibrates, with its question and cancellation texts.
const calibration::StepPlan& ConductivityPointOf(int button) {
    const auto& points = calibration::ConductivityPoints();  // 0, 9.25, 92.5, 925 mS/cm
    switch (button) {
        case ids::kCalCond9_25: return points[1];
        case ids::kCalCond92_5: return points[2];
        case ids::kCalCond925: return points[3];
        default: return points[0];
    }
}

}  // namespace

CCalibratePage::CCalibratePage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::CalibrationPageTemplate(), kTimerId,
                   ids::kCalSystemMessages),
      link_(link),
      assistant_(std::make_unique<CCalibrationAssistantDlg>(host, records, link)) {}

void CCalibratePage::DoDataExchange(fw::DataExchange& dx) {
    using namespace ids;
    // The entries are exchanged as the operator's text, never validated as numbers: a text
    // without a leading number counts as 0, and a half-typed "-" or "4." is left as it is.
    dx.Text(kCalTrueTemperature, trueTemperatureText_);
    dx.Text(kCalOut1Reading, out1Text_);
    dx.Text(kCalOut2Reading, out2Text_);
    fw::DisplayedNumber(dx, kCalCondRaw, condRaw_, "%.1f");
    fw::DisplayedNumber(dx, kCalCondComp, condComp_, "%.1f");
    fw::DisplayedNumber(dx, kCalReturnTemperature, returnTemperature_, "%.1f");
    fw::TextField(dx, kCalTrueTemperatureUnit, temperatureUnit_, kUnitLimit);
    fw::TextField(dx, kCalReturnTemperatureUnit, returnTemperatureUnit_, kUnitLimit);
}

void CCalibratePage::InitialiseFields() {
    Controls().Enable(ids::kCalTestOutputs, false);
    CopyFromSensor();
    ServiceRequests& svc = records_.Service;
    // Nothing is sent from here; a request already queued keeps the values it goes out with.
    if (!records_.Queue().IsPending(corvane::CalibrateOutputs)) svc.CalOutputsEntered = false;
    if (!records_.Queue().IsPending(TestBothOutputs)) svc.TestCodeBoth = 0;
    svc.CalOutputPoint = 0;
    svc.TestCurrent1 = 0;
    svc.TestCurrent2 = 0;
    const char* unit = records_.Sensor.TempFahrenheit == 1 ? "°F" : "°C";
    temperatureUnit_ = unit;
    returnTemperatureUnit_ = unit;
    WriteEntryTexts();
}

void CCalibratePage::WriteEntryTexts() {
    const ServiceRequests& svc = records_.Service;
    trueTemperatureText_ = fw::FormatNumber("%.1f", svc.CalTrueTemperature);
    out1Text_ = fw::FormatNumber("%.2f", svc.CalOut1Reading);
    out2Text_ = fw::FormatNumber("%.2f", svc.CalOut2Reading);
}

void CCalibratePage::CopyFromSensor() {
    const SensorData& s = records_.Sensor;
    condRaw_ = s.CondRaw;
    condComp_ = s.CondComp;
    returnTemperature_ = s.Temperature;
}

void CCalibratePage::OnNotify(int id, fw::Notify notify) {
    using namespace ids;
    ServiceRequests& svc = records_.Service;
    if (notify == fw::Notify::TextChanged) {
        // Each entry's value is stored at once, so the value typed last before the engine builds
        // the request is the one sent.
        if (id == kCalTrueTemperature) {
            trueTemperatureText_ = Controls().Text(id);
            svc.CalTrueTemperature = fw::LeadingNumber(trueTemperatureText_);
        } else if (id == kCalOut1Reading) {
            out1Text_ = Controls().Text(id);
            svc.CalOut1Reading = fw::LeadingNumber(out1Text_);
        } else if (id == kCalOut2Reading) {
            out2Text_ = Controls().Text(id);
            svc.CalOut2Reading = fw::LeadingNumber(out2Text_);
        }
        return;
    }
    if (notify != fw::Notify::Clicked) return;
    switch (id) {
        case kCalCondZero:
        case kCalCond9_25:
        case kCalCond92_5:
        case kCalCond925: {
            const calibration::StepPlan& point = ConductivityPointOf(id);
            const auto far = calibration::FarFromReferenceQuestion(point, records_.Sensor.CondRaw);
            if (!far) {
                Confirm(point.request.c_str(), point.command, point.cancelled.c_str());
                break;
            }
            // A reading far from the point means the wrong resistor or none: asked first.
            host_.PlayBeep(fw::Beep::Question);
            AskDefaultNo(*far, kBoxCaption, [this, &point](fw::Answer answer) {
                if (answer == fw::Answer::Yes) {
                    Confirm(point.request.c_str(), point.command, point.cancelled.c_str());
                } else {
                    MessageBox(point.cancelled, kBoxCaption, fw::Icon::Exclamation,
                               fw::Buttons::Ok);
                }
            });
            break;
        }
        case kCalCalibrateTemperature: {
            static const calibration::StepPlan temperature = calibration::TemperatureStep(0, false);
            Confirm(temperature.request.c_str(), CalibrateTemperature, kResetCancelled);
            break;
        }
        case kCalResetCalibration:
            Confirm("Do You Want To Reset\n\nThe Sensor Calibrations ?", ResetCalibration,
                    kResetCancelled);
            break;
        case kCalTransmit4mA: TransmitBoth(4); break;
        case kCalTransmit20mA: TransmitBoth(20); break;
        case kCalCalibrateOutputs: CalibrateOutputs(); break;
        case kCalNormalOutputs: NormalOutputs(); break;
        case kCalAssistant: assistant_->Open(View()); break;
        default: break;
    }
}

void CCalibratePage::Confirm(const char* request, int command, const char* cancelled) {
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(request, kBoxCaption, [this, command, cancelled](fw::Answer answer) {
        if (answer == fw::Answer::Yes) {
            link_.Queue(command);
            link_.NoteCalibrationToStamp();
        } else {
            MessageBox(cancelled, kBoxCaption, fw::Icon::Exclamation, fw::Buttons::Ok);
        }
    });
}

// Step one of an output calibration: both outputs forced to the point, to be read on a DVM.
void CCalibratePage::TransmitBoth(int mA) {
    ForceBothOutputs(records_, link_, mA);
    records_.Service.CalOutputPoint = mA;
    UpdateData(false);
}

// Step three: the DVM readings typed for the point last forced go to the sensor.
void CCalibratePage::CalibrateOutputs() {
    ServiceRequests& svc = records_.Service;
    const int point = svc.CalOutputPoint;
    if (point != 4 && point != 20) {
        svc.CalOutputsEntered = false;
        svc.CalOutputPoint = 0;
        host_.PlayBeep(fw::Beep::Error);
        MessageBox(kSelectPoint, kBoxCaption, fw::Icon::Stop, fw::Buttons::Ok);
        return;
    }
    const std::string cancelled = calibration::OutputsCancelled(point);
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(calibration::OutputsRequest(point), kBoxCaption,
                 [this, point, cancelled](fw::Answer answer) {
                     ServiceRequests& s = records_.Service;
                     if (answer != fw::Answer::Yes) {
                         MessageBox(cancelled, kBoxCaption, fw::Icon::Exclamation, fw::Buttons::Ok);
                         return;
                     }
                     s.TestOut1Display = point;
                     s.TestOut2Display = point;
                     UpdateData(false);
                     link_.Queue(corvane::CalibrateOutputs);
                     s.CalOutputsEntered = true;
                     link_.NoteCalibrationToStamp();
                 });
}

void CCalibratePage::NormalOutputs() {
    ReturnOutputsToNormal(records_, link_);
    UpdateData(false);
}

void CCalibratePage::StampCalibration() {
    link_.StampCalibrationIfDue(host_.Now());
}

bool CCalibratePage::OnKillActive() {
    StampCalibration();
    return OperatorPage::OnKillActive();
}

bool CCalibratePage::OnApply() {
    if (IsOpen()) {
        WriteEntryTexts();
        UpdateData(false);
    }
    StampCalibration();
    if (IsOpen()) UpdateData(false);
    return OperatorPage::OnApply();
}

// The sheet's Cancel: the focus step below, and a calibration the sensor has already made is
// stamped all the same, since cancelling the sheet cannot undo it.
void CCalibratePage::OnReset() {
    OnCancel();
    StampCalibration();
}

// The page's Cancel moves the keyboard focus round the three entries: temperature, output 1,
// output 2, and back to the temperature. With the focus elsewhere it stays where it is.
void CCalibratePage::OnCancel() {
    using namespace ids;
    const int focus = Controls().Focus();
    if (focus == kCalTrueTemperature) {
        Controls().SetFocus(kCalOut1Reading);
    } else if (focus == kCalOut1Reading) {
        Controls().SetFocus(kCalOut2Reading);
    } else if (focus == kCalOut2Reading) {
        Controls().SetFocus(kCalTrueTemperature);
    }
}

}  // namespace corvane
