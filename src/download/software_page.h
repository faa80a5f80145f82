#pragma once

#include "download/download_panel.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The Software page: the software history the sensor records (who installed the software and
// when, the issue it runs and who upgraded it last), and the upgrade of that software from an
// Intel HEX image with its progress. The download runs on the link engine; the page only starts
// it, shows it and can cancel it.
class CSoftwarePage : public OperatorPage {
  public:
    static constexpr int kTimerId = 2;
    static constexpr const char* kConfirmation = "Do You Want To Replace The Operating Software ?";

    CSoftwarePage(fw::Host& host, SharedRecords& records, SensorLink& link);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void CopyFromSensor() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnPaint() override;
    // Enter in the page leaves the focus where it is; the sheet's own OK button closes the sheet.
    void OnOK() override {}

  private:
    DownloadPanel panel_;
};

}  // namespace corvane
