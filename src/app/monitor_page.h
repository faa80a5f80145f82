#pragma once

#include <string>

#include "framework/property_sheet.h"

namespace corvane {

struct SharedRecords;

// The Monitor page: live readings, their names and units, a summary of the output and
// temperature setup, and the System Messages. It sends nothing to the sensor.
class CMonitorPage : public fw::PropertyPage {
  public:
    static constexpr int kTimerId = 3;

    CMonitorPage(fw::Host& host, SharedRecords& records);

    bool OnSetActive() override;
    bool OnKillActive() override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnTimer(int id) override;
    void OnPaint() override;

  private:
    void CopyReadings();
    void CopyTexts();

    SharedRecords& r_;
    std::string out1Name_, out2Name_;
    double out1Current_ = 0, out2Current_ = 0, concentration_ = 0;
    double condRaw_ = 0, condComp_ = 0, temperature_ = 0;
    std::string concentrationUnit_, condRawUnit_, condCompUnit_, temperatureUnit_;
    std::string concentrationLabel_;
};

}  // namespace corvane
