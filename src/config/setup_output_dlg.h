#pragma once

#include <string>

#include "config/setup_dialog.h"
#include "resources/setup_output_dialogs.h"

namespace corvane {

struct CurrentOutput;

// "Setup Current Output 1" and "Setup Current Output 2": what one 4..20 mA output carries, the
// values at 4 mA and 20 mA, its averaging, its error current and the shared total dissolved
// solids factor. Only "&Apply" commits to the sensor data and queues the output's write.
class CSetupOutputDlg : public SetupDialog {
  public:
    // `output` is 1 or 2.
    CSetupOutputDlg(fw::Host& host, SharedRecords& records, SensorLink& link, int output);

    static constexpr const char* kFaultName = "Fault in Current Output Setup";

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void OnOK() override;
    void Apply() override;
    void OnControlNotify(int id, fw::Notify notify) override;

  private:
    CurrentOutput& Output();
    void EnableErrorCurrents();
    void EnableTdsFactor();
    std::string UnitOf(int source) const;

    const resources::OutputDialogIds& ids_;
    int command_;
    int errorSignal_ = 0;
    int filterOn_ = 0;
    int errorCurrent_ = -1;
    double at4mA_ = 0.0;
    double at20mA_ = 0.0;
    double tds_ = 0.0;
    std::string unit4mA_;
    std::string unit20mA_;
    int source_ = 0;     // the choice being edited; the sensor data holds the committed one
    int averaging_ = 0;  // likewise
};

}  // namespace corvane
