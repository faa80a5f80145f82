#include "config/setup_page.h"

#include "config/setup_dialog.h"
#include "framework/exchange_fields.h"
#include "framework/number_text.h"
#include "framework/text_codec.h"
#include "link/command_table.h"
#include "link/shared_records.h"
#include "resources/list_texts.h"
#include "resources/setup_page.h"
#include "setup/config_file.h"
#include "setup/whole_setup.h"
#include "setup/wire_limits.h"

namespace corvane {
namespace {

constexpr int kPlantLimit = 32;
constexpr int kPlantWireChars = 10;  // what the sensor keeps
constexpr int kSerialLimit = 32;
constexpr int kSlopeUnitLimit = 31;
constexpr const char* kWriteCaption = "Sensor Setup Erase/Write Request !";
constexpr const char* kReadCaption = "Read Sensor Setup Request !";
constexpr const char* kWriteRequest = "Do You Want To Overwrite The Sensor Setup ?";

// The write's question. A setup that was not read from the sensor connected now (the defaults,
// the state file's, a file's, another sensor's) would replace this sensor's own: the question
// says so and names the sensor it overwrites.
std::string WriteQuestion(const SharedRecords& r) {
    if (SetupReadFromConnectedSensor(r)) return kWriteRequest;
    const SensorData& s = r.Sensor;
    const bool identityRead = s.SerialNumber != kSerialNumberNotRead;
    std::string sensor = "The Sensor At ID " + std::to_string(s.DeviceId);
    sensor += identityRead ? " (Serial No " + s.SerialNumber + ")" : " (Identity Not Read)";
    const char* source = r.SetupReadFromSerial().empty()
                             ? "The Setup Shown Was Not Read From This Sensor !"
                             : "The Setup Shown Was Read From Sensor Serial No ";
    std::string text = source;
    if (!r.SetupReadFromSerial().empty()) text += r.SetupReadFromSerial() + " !";
    text += "\n\nWriting It Replaces The Temperature, Output, Digital And Custom Range Setup Of " +
            sensor + ".";
    if (s.PlantNumber == kPlantNumberNotRead) {
        text += "\nIts Plant / Tag No Is Left As It Is.";
    }
    return text + "\n\n" + kWriteRequest;
}

}  // namespace

CSetupPage::CSetupPage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::SetupPageTemplate(), kTimerId,
                   ids::kSetSystemMessages),
      output1_(host, records, link, 1),
      output2_(host, records, link, 2),
      digital_(host, records, link),
      customRange_(host, records, link),
      link_(link) {}

std::vector<fw::Dialog*> CSetupPage::OwnedDialogs() {
    return {&output1_, &output2_, &digital_, &customRange_};
}

// The slope box is not exchanged: it is written at initialisation and by Apply only.
void CSetupPage::DoDataExchange(fw::DataExchange& dx) {
    fw::TextField(dx, ids::kSetPlantNumber, plant_, kPlantLimit);
    // The box takes no more than the sensor keeps: a longer number would lose its tail on the
    // way without a word. (What the page shows before anything is read, "Plant Number", is
    // longer, and is still taken as it stands.)
    if (!dx.Pulling()) Controls().SetLimit(ids::kSetPlantNumber, kPlantWireChars);
    fw::TextField(dx, ids::kSetSerialNumber, serial_, kSerialLimit);
    fw::TextField(dx, ids::kSetSlopeUnit, slopeUnit_, kSlopeUnitLimit);
}

void CSetupPage::RefreshFromSensor() {
    SensorData& s = records_.Sensor;
    fw::WindowModel& c = Controls();
    slope_ = s.TempCompSlope;
    plant_ = s.PlantNumber;
    serial_ = s.SerialNumber;
    unit_ = s.TempFahrenheit;
    base_ = s.TempCompBaseHigh;

    c.ListSelect(ids::kSetTempUnit, -1);
    c.ListSetItems(ids::kSetTempUnit, lists::Items(lists::kTemperatureUnits));
    c.ListSelect(ids::kSetTempUnit, unit_);
    s.TempUnitName = c.Text(ids::kSetTempUnit);

    const auto& bases = unit_ == 1 ? lists::kFahrenheitBases : lists::kCentigradeBases;
    c.ListSelect(ids::kSetTempBase, -1);
    c.ListSetItems(ids::kSetTempBase, lists::Items(bases));
    c.ListSelect(ids::kSetTempBase, base_);
    s.TempCompBaseText = c.Text(ids::kSetTempBase);

    slopeUnit_ = unit_ == 1 ? "% / °F" : "% / °C";
    s.TempSlopeUnit = slopeUnit_;
}

void CSetupPage::WriteSlopeBox() {
    Controls().SetText(ids::kSetSlope, fw::FormatNumber("%.2f", slope_));
}

void CSetupPage::InitialiseFields() {
    // The unit comes from the sensor or a configuration file, never from this page.
    Controls().Enable(ids::kSetTempUnit, false);
    RefreshFromSensor();
    UpdateData(false);
    WriteSlopeBox();
}

bool CSetupPage::OnSetActive() {
    RefreshFromSensor();
    return OperatorPage::OnSetActive();
}

void CSetupPage::OnPaint() {
    const SensorData& s = records_.Sensor;
    Controls().ListSelect(ids::kSetCalibration, -1);
    Controls().ListSetItems(
        ids::kSetCalibration,
        {"Software Issue: " + s.UpgradeIssue, "Calibrated on: " + s.CalibrationDate,
         "Calibrated by: " + s.CalibrationName,
         "Monitoring Device ID " + std::to_string(s.DeviceId)});
}

void CSetupPage::OnNotify(int id, fw::Notify notify) {
    using fw::Notify;
    if (notify == Notify::TextChanged && id == ids::kSetPlantNumber) {
        UpdateData(true);
        plantNumberChanged_ = true;
        SetModified();
    } else if (notify == Notify::TextChanged && id == ids::kSetSlopeUnit) {
        UpdateData(true);
        tempSetupChanged_ = true;
        SetModified();
    } else if (notify == Notify::TextChanged && id == ids::kSetSlope) {
        UpdateData(true);
        slope_ = fw::LeadingNumber(Controls().Text(ids::kSetSlope));
        tempSetupChanged_ = true;
    } else if (notify == Notify::SelectionChanged && id == ids::kSetTempBase) {
        UpdateData(true);
        base_ = Controls().ListSelection(ids::kSetTempBase);
        tempSetupChanged_ = true;
        SetModified();
    } else if (notify == Notify::Clicked) {
        switch (id) {
            case ids::kSetOpenFile: OpenSetupFile(); break;
            case ids::kSetSaveFile: SaveSetupFile(); break;
            case ids::kSetWriteSensor: WriteSensorSetup(); break;
            case ids::kSetReadSensor: ReadSensorSetup(); break;
            case ids::kSetOutput1: output1_.DoModal([](int) {}, View()); break;
            case ids::kSetOutput2: output2_.DoModal([](int) {}, View()); break;
            case ids::kSetDigital: digital_.DoModal([](int) {}, View()); break;
            case ids::kSetCustomRange: customRange_.DoModal([](int) {}, View()); break;
            default: break;
        }
    }
}

bool CSetupPage::OnApply() {
    if (!TakeEdits(true)) return false;
    UpdateData(true);
    const bool applied = OperatorPage::OnApply();
    ConfirmStep();
    return applied;
}

// Apply's own part: the page's edits go to the sensor data and, with `queueWrites`, their writes
// are queued (the whole setup's write sends them with the rest, once the operator said Yes).
// False, after the operator was told, when the slope cannot be sent.
bool CSetupPage::TakeEdits(bool queueWrites) {
    WriteSlopeBox();  // read back, so the slope keeps two decimals
    // A slope the sensor's encoding cannot carry would arrive wrapped round.
    if (RefuseUnsendable(*this, ids::kSetSlope, slope_, SlopeBounds(unit_), "Temp.Comp.Slope")) {
        return false;
    }
    SensorData& s = records_.Sensor;
    s.PlantNumber = plant_;
    s.TempCompBaseHigh = base_;
    s.TempCompSlope = slope_;
    s.TempFahrenheit = unit_;
    s.TempSlopeUnit = unit_ == 1 ? "% / °F" : "% / °C";
    s.TempUnit = unit_ == 1 ? "°F" : "°C";
    if (!queueWrites) return true;
    if (tempSetupChanged_) {
        tempSetupChanged_ = false;
        link_.Queue(WriteTempSetup);
    }
    if (plantNumberChanged_) {
        plantNumberChanged_ = false;
        link_.Queue(WritePlantNumber);
    }
    return true;
}

// After Apply the focus moves on: plant number, compensation base, slope, unit, plant number.
void CSetupPage::ConfirmStep() {
    fw::WindowModel& c = Controls();
    switch (c.Focus()) {
        case ids::kSetPlantNumber: c.SetFocus(ids::kSetTempBase); break;
        case ids::kSetTempBase: c.SetFocus(ids::kSetSlope); break;
        case ids::kSetSlope: c.SetFocus(ids::kSetTempUnit); break;
        case ids::kSetTempUnit: c.SetFocus(ids::kSetPlantNumber); break;
        default: break;
    }
}

void CSetupPage::Box(const std::string& text, const char* caption, fw::Icon icon) {
    MessageBox(text, caption, icon, fw::Buttons::Ok);
}

// Whatever the outcome but a damaged file, the page shows the sensor data afterwards: edits not
// applied are replaced by what was loaded (or by what was there).
void CSetupPage::OpenSetupFile() {
    FileDialog(config_file::OpenRequest(), [this](std::optional<std::string> path) {
        if (path) {
            std::string error;
            std::string savedBy;
            const LoadOutcome outcome = LoadConfigFile(*path, records_, error, nullptr, &savedBy);
            if (outcome == LoadOutcome::Loaded) link_.NoteSetupFile(false, *path, savedBy);
            if (outcome != LoadOutcome::Loaded) {
                host_.PlayBeep(fw::Beep::Exclamation);
                Box(error, host_.AppTitle().c_str(), fw::Icon::Exclamation);
                if (outcome == LoadOutcome::Damaged) return;
            }
        }
        RefreshFromSensor();
        UpdateData(false);
        // Every box shows what a write would send, the slope included.
        WriteSlopeBox();
    });
}

void CSetupPage::SaveSetupFile() {
    FileDialog(config_file::SaveRequest(), [this](std::optional<std::string> path) {
        if (!path) return;
        std::string error;
        if (!SaveConfigFile(*path, records_, error)) {
            host_.PlayBeep(fw::Beep::Exclamation);
            Box(error + "\nThe setup file was not saved.", host_.AppTitle().c_str(),
                fw::Icon::Exclamation);
            return;
        }
        link_.NoteSetupFile(true, *path);
    });
}

void CSetupPage::WriteSensorSetup() {
    const bool linkFree = records_.Sensor.ChannelSwitch == ChannelSwitch::Idle &&
                          records_.Download().DownloadOrigin == DownloadOrigin::None &&
                          records_.Engine().SensorAnswering;
    if (!linkFree) {
        host_.PlayBeep(fw::Beep::Exclamation);
        Box("Sensor Setup Overwrite Not Possible !", kWriteCaption, fw::Icon::Exclamation);
        return;
    }
    // What is written is what the page shows: edits not yet applied are taken first.
    if (!UpdateData(true) || !TakeEdits(false)) return;
    if (const auto unsendable = UnsendableSetupValue(records_.Sensor)) {
        host_.PlayBeep(fw::Beep::Exclamation);
        Box("The setup holds a value the sensor cannot take: " + *unsendable +
                ".\nCorrect it before writing; nothing was sent.",
            kWriteCaption, fw::Icon::Exclamation);
        return;
    }
    host_.PlayBeep(fw::Beep::Question);
    AskDefaultNo(WriteQuestion(records_), kWriteCaption, [this](fw::Answer answer) {
        if (answer == fw::Answer::Yes) {
            for (const int command : kWholeSetupWrites) link_.Queue(command);
            tempSetupChanged_ = false;  // sent with the rest
            plantNumberChanged_ = false;
        } else {
            Box("Sensor Setup Overwrite Cancelled !", kWriteCaption, fw::Icon::Exclamation);
        }
    });
}

void CSetupPage::ReadSensorSetup() {
    UpdateData(true);
    host_.PlayBeep(fw::Beep::Question);
    MessageBox("Do You Want To Read The Sensor Setup ?", kReadCaption, fw::Icon::Question,
               fw::Buttons::YesNo, [this](fw::Answer answer) {
                   if (answer == fw::Answer::Yes) {
                       link_.ReadSetup();
                   } else {
                       Box("Sensor Setup Read Cancelled !", kReadCaption, fw::Icon::Exclamation);
                   }
               });
}

}  // namespace corvane
