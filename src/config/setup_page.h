#pragma once

#include <string>

#include "config/custom_range_dlg.h"
#include "config/setup_digital_dlg.h"
#include "config/setup_output_dlg.h"
#include "link/sensor_link.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The Setup page: the sensor's identification and temperature setup, who calibrated it and which
// software it runs; the whole setup saved to or loaded from a configuration file, written to the
// sensor or read back from it; and the four setup dialogs. The page never talks to the sensor
// itself: it edits the sensor data and queues the writes and reads for the link.
class CSetupPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 11;

    CSetupPage(fw::Host& host, SharedRecords& records, SensorLink& link);

    std::vector<fw::Dialog*> OwnedDialogs() override;

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    bool OnSetActive() override;
    bool OnApply() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnPaint() override;

  private:
    void RefreshFromSensor();
    void WriteSlopeBox();
    bool TakeEdits(bool queueWrites);
    void ConfirmStep();
    void OpenSetupFile();
    void SaveSetupFile();
    void WriteSensorSetup();
    void ReadSensorSetup();
    void Box(const std::string& text, const char* caption, fw::Icon icon);

    CSetupOutputDlg output1_;
    CSetupOutputDlg output2_;
    CSetupDigitalDlg digital_;
    CCustomRangeDlg customRange_;

    double slope_ = 0.0;
    std::string plant_;
    std::string serial_;
    std::string slopeUnit_;
    int unit_ = 0;  // the working temperature unit: 0 Centigrade, 1 Fahrenheit
    int base_ = 1;  // the working compensation base: 0 the lower, 1 the higher
    bool tempSetupChanged_ = false;
    bool plantNumberChanged_ = false;
    SensorLink& link_;
};

}  // namespace corvane
