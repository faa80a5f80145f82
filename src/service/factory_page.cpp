#include "service/factory_page.h"

#include <string>

#include "framework/exchange_fields.h"
#include "link/command_table.h"
#include "resources/factory_page.h"

namespace corvane {
namespace {

constexpr const char* kCalibrationCaption = "Sensor Calibration Request !";
constexpr std::size_t kSerialNumberWidth = 6;

// The sensor's serial number as a number, when it is one (six digits at most), else 0.
int SerialNumberValue(const std::string& text) {
    if (text.empty() || text.size() > kSerialNumberWidth) return 0;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

CFactoryPage::CFactoryPage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::FactoryPageTemplate(), kTimerId,
                   ids::kFacSystemMessages),
      panel_(*this, records, link,
             {.pathBoxId = ids::kFacPath,
              .origin = DownloadOrigin::FactoryPage,
              .confirmation = kConfirmation,
              .busyBrowseCaption = DownloadPanel::kCaption,
              .tooBigBeep = fw::Beep::Question,
              .cancelCaption = "Software Erase/Write Cancelled !",
              .notRunningCaption = "Software Erase/Write Cancel Request !"}),
      link_(link) {}

void CFactoryPage::DoDataExchange(fw::DataExchange& dx) {
    fw::IntegerField(dx, ids::kFacCurrentSerial, currentSerial_, 0, kLargestSerialNumber);
    fw::IntegerField(dx, ids::kFacNextSerial, nextSerial_, 0, kLargestSerialNumber);
}

void CFactoryPage::InitialiseFields() {
    Controls().SetText(ids::kFacPath, records_.Sensor.HexFileName);
    Controls().SetProgress(ids::kFacProgress, 0);
    nextSerial_ = 0;
    CopyFromSensor();
}

void CFactoryPage::CopyFromSensor() {
    currentSerial_ = SerialNumberValue(records_.Sensor.SerialNumber);
    Controls().SetProgress(ids::kFacProgress, records_.Download().DownloadProgress);
}

void CFactoryPage::OnNotify(int id, fw::Notify notify) {
    using namespace ids;
    if (notify == fw::Notify::TextChanged) {
        // Read back at once, so the next refresh step shows the number typed, not the old one.
        if (id == kFacNextSerial) UpdateData(true);
        return;
    }
    if (notify != fw::Notify::Clicked) return;
    switch (id) {
        case kFacSendSerial: SendSerialNumber(); break;
        case kFacDefaultSetup:
            Confirm("Sensor Setup Erase/Write Request !",
                    "Do You Want To Load The Sensor Default Setup ?", LoadDefaultSetup,
                    "Sensor Setup Overwrite Cancelled !", false);
            break;
        case kFacResetCalibration:
            Confirm(kCalibrationCaption, "Do You Want To Reset The Sensor Calibrations ?",
                    ResetCalibration, "Reset Sensor Calibrations Cancelled !", true);
            break;
        case kFacCalibrate1K0:
            Confirm(kCalibrationCaption, "Calibrate The PRT at 1K0. Select 1K0 With PCB Link !",
                    CalibrateSource1K0, "Calibrate The PRT at 1K0 Cancelled !", true);
            break;
        case kFacCalibrate1K5:
            Confirm(kCalibrationCaption, "Calibrate The PRT at 1K5. Select 1K5 With PCB Link !",
                    CalibrateSource1K5, "Calibrate The PRT at 1K5 Cancelled !", true);
            break;
        case kFacBrowse: panel_.Browse(); break;
        case kFacInstall: panel_.Start(); break;
        case kFacCancel: panel_.Cancel(); break;
        default: break;
    }
}

void CFactoryPage::SendSerialNumber() {
    // The number shown is the number sent: one the range check refuses is never replaced by the
    // last number that passed it.
    if (!UpdateData(true)) return;
    if (nextSerial_ == 0) {
        host_.PlayBeep(fw::Beep::Exclamation);
        MessageBox("Set the Serial Number To a Valid Number", "Serial Number Write Error !",
                   fw::Icon::Exclamation, fw::Buttons::Ok);
        return;
    }
    records_.Sensor.SerialNumber = std::to_string(nextSerial_);
    link_.Queue(WriteSerialNumber);
    UpdateData(false);
}

void CFactoryPage::Confirm(const char* caption, const char* request, int command,
                           const char* cancelled, bool calibrates) {
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(request, caption,
                 [this, caption, command, cancelled, calibrates](fw::Answer answer) {
                     if (answer != fw::Answer::Yes) {
                         MessageBox(cancelled, caption, fw::Icon::Exclamation, fw::Buttons::Ok);
                         return;
                     }
                     link_.Queue(command);
                     if (calibrates) link_.NoteCalibrationToStamp();
                 });
}

void CFactoryPage::StampCalibration() {
    link_.StampCalibrationIfDue(host_.Now());
}

bool CFactoryPage::OnKillActive() {
    StampCalibration();
    return OperatorPage::OnKillActive();
}

}  // namespace corvane
