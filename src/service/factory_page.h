#pragma once

#include "download/download_panel.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The Factory Settings page, offered at the factory level only: gives the sensor its serial
// number, loads its default setup, resets its calibrations, calibrates its temperature-measuring
// current source at 1K0 and 1K5, and installs its software (the download of the Software page,
// recorded as an installation). Leaving the page after a calibration or reset stamps it.
class CFactoryPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 12;
    static constexpr int kLargestSerialNumber = 999999;
    static constexpr const char* kConfirmation = "Do You Want To Transfer The Operating Software";

    CFactoryPage(fw::Host& host, SharedRecords& records, SensorLink& link);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    void OnNotify(int id, fw::Notify notify) override;
    bool OnKillActive() override;
    void OnOK() override {}

  private:
    void SendSerialNumber();
    // Asks `request` under `caption`; Yes queues `command` (and marks a calibration to stamp when
    // `calibrates`), No shows `cancelled`.
    void Confirm(const char* caption, const char* request, int command, const char* cancelled,
                 bool calibrates);
    void StampCalibration();

    int currentSerial_ = 0;
    int nextSerial_ = 0;
    DownloadPanel panel_;
    SensorLink& link_;
};

}  // namespace corvane
