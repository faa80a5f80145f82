#pragma once

#include <memory>
#include <string>

#include "page_kit/operator_page.h"
#include "trend/trend_dlg.h"

namespace corvane {

// The Monitor page: live readings, their names and units, a summary of the output and
// temperature setup, and the System Messages. It sends nothing to the sensor. "&Trend..." opens
// the trend window of the readings (once the page has a readings history to show).
class CMonitorPage : public OperatorPage {
  public:
    static constexpr int kTimerId = 3;

    CMonitorPage(fw::Host& host, SharedRecords& records);
    ~CMonitorPage() override;

    // The readings history the trend window shows; it must outlive the page.
    void UseHistory(ReadingsHistory* history);
    // The trend window; null until the page has a history.
    CTrendDlg* Trend() { return trend_.get(); }

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override { CopyTexts(); }
    void CopyFromSensor() override;
    void OnPaint() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnDestroy() override;

  private:
    void CopyTexts();

    std::string out1Name_, out2Name_;
    double out1Current_ = 0, out2Current_ = 0, concentration_ = 0;
    double condRaw_ = 0, condComp_ = 0, temperature_ = 0;
    std::string concentrationUnit_, condRawUnit_, condCompUnit_, temperatureUnit_;
    std::string concentrationLabel_;
    std::unique_ptr<CTrendDlg> trend_;
};

}  // namespace corvane
