#pragma once

#include <string>

#include "app/operator_page.h"

namespace corvane {

// The Monitor page: live readings, their names and units, a summary of the output and
// temperature setup, and the System Messages. It sends nothing to the sensor.
class CMonitorPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 3;

    CMonitorPage(fw::Host& host, SharedRecords& records);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override { CopyTexts(); }
    void CopyFromSensor() override;
    void OnPaint() override;

  private:
    void CopyTexts();

    std::string out1Name_, out2Name_;
    double out1Current_ = 0, out2Current_ = 0, concentration_ = 0;
    double condRaw_ = 0, condComp_ = 0, temperature_ = 0;
    std::string concentrationUnit_, condRawUnit_, condCompUnit_, temperatureUnit_;
    std::string concentrationLabel_;
};

}  // namespace corvane
