#pragma once

#include <memory>
#include <string>

#include "link/sensor_link.h"
#include "page_kit/operator_page.h"
#include "service/calibration_assistant_dlg.h"

namespace corvane {

// The Calibration page: one-point temperature calibration, the four conductivity points with
// reference loop resistors, the two-point calibration of both current outputs against a DVM,
// and the reset of all calibrations. Every action asks first and then only queues its command;
// the outcome shows in System Messages. When the page is left (or applied) after a calibration,
// the calibration stamp records the date and the operator in the sensor.
class CCalibratePage : public OperatorPage {
  public:
    static constexpr int kTimerId = 6;
    static constexpr const char* kBoxCaption = "Sensor Calibration Request !";

    CCalibratePage(fw::Host& host, SharedRecords& records, SensorLink& link);

    // "Calibration Assi&stant...": the guided calibration, in a window of its own.
    CCalibrationAssistantDlg& Assistant() { return *assistant_; }

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override {}
    void OnCancel() override;
    bool OnApply() override;
    bool OnKillActive() override;
    void OnReset() override;

  private:
    // Asks `request`; Yes queues `command` and marks a calibration to stamp, No shows `cancelled`.
    void Confirm(const char* request, int command, const char* cancelled);
    void TransmitBoth(int mA);
    void CalibrateOutputs();
    void NormalOutputs();
    void StampCalibration();
    void WriteEntryTexts();

    // The three entries hold what the operator typed; the shared values are read from them.
    std::string trueTemperatureText_, out1Text_, out2Text_;
    double condRaw_ = 0, condComp_ = 0, returnTemperature_ = 0;
    std::string temperatureUnit_, returnTemperatureUnit_;
    SensorLink& link_;
    std::unique_ptr<CCalibrationAssistantDlg> assistant_;
};

}  // namespace corvane
