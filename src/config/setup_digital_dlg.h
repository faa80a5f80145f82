#pragma once

#include "config/setup_dialog.h"

namespace corvane {

// "Setup Digital Data Output": which concentration range the sensor calculates, the averaging of
// its digital signal filters (shown, set by the sensor or a file) and the shared total
// dissolved solids factor. Choosing a range names it and its unit in the sensor data at once;
// the rest waits for "&Apply", which queues the digital setup write.
class CSetupDigitalDlg : public SetupDialog {
  public:
    CSetupDigitalDlg(fw::Host& host, SharedRecords& records, SensorLink& link);

    static constexpr const char* kFaultName = "Faulty O/P Setup";

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void OnOK() override;
    void Apply() override;
    void OnControlNotify(int id, fw::Notify notify) override;

  private:
    void EnableTdsFactor();

    int condFilter_ = 0;
    int concFilter_ = 0;
    int tempFilter_ = 0;
    double tds_ = 0.0;
    int range_ = 0;      // the choice being edited
    int averaging_ = 0;  // likewise
};

}  // namespace corvane
