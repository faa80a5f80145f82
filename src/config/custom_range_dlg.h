#pragma once

#include <array>
#include <string>

#include "config/setup_dialog.h"
#include "link/sensor_data.h"

namespace corvane {

// "Setup Custom Range": the operator's own curve of concentration against conductivity, up to
// nine points, the number of points in use and a description. Rows beyond the number of points
// are disabled but keep, and send, their values. "&Apply" stores all nine points and queues the
// four writes that carry them.
class CCustomRangeDlg : public SetupDialog {
  public:
    CCustomRangeDlg(fw::Host& host, SharedRecords& records, SensorLink& link);

    static constexpr int kDescriptionLimit = 500;

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void OnOK() override;
    void Apply() override;
    void OnControlNotify(int id, fw::Notify notify) override;

  private:
    void EnableRows();
    void WritePoints();

    std::array<double, kCustomRangePointCount> conc_{};
    std::array<double, kCustomRangePointCount> cond_{};
    int points_ = kCustomRangePointCount;
    std::string description_;
};

}  // namespace corvane
