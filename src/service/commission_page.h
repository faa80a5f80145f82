#pragma once

#include "link/sensor_link.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The Test page, for checking the loop wiring at commissioning: each current output can be
// forced to one of five fixed currents, and both returned to normal measurement. It shows the
// currents the sensor reports and a summary of the output configuration. Forced outputs stay
// forced when the page or the sheet is left.
class CCommissionPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 5;

    CCommissionPage(fw::Host& host, SharedRecords& records, SensorLink& link);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnPaint() override;
    void OnDestroy() override;

  private:
    void Transmit(int output, int mA);
    void ReturnToNormal();

    double out1Current_ = 0, out2Current_ = 0;
    SensorLink& link_;
};

}  // namespace corvane
