#include "download/software_page.h"

#include <string>
#include <vector>

#include "page_kit/list_filling.h"
#include "resources/software_page.h"

namespace corvane {

CSoftwarePage::CSoftwarePage(fw::Host& host, SharedRecords& records, SensorLink& link)
    : OperatorPage(host, records, resources::SoftwarePageTemplate(), kTimerId,
                   ids::kSwSystemMessages),
      panel_(*this, records, link,
             {.pathBoxId = ids::kSwPath,
              .origin = DownloadOrigin::SoftwarePage,
              .confirmation = kConfirmation,
              .busyBrowseCaption = "Software Erase/Write In Progress !",
              .tooBigBeep = fw::Beep::Exclamation,
              .cancelCaption = DownloadPanel::kCaption,
              .notRunningCaption = DownloadPanel::kCaption}) {}

// The path box and the progress bar show the shared download state and are written directly;
// the page has no fields of its own to exchange.
void CSoftwarePage::DoDataExchange(fw::DataExchange& /*dx*/) {}

void CSoftwarePage::InitialiseFields() {
    Controls().SetText(ids::kSwPath, records_.Sensor.HexFileName);
    Controls().SetProgress(ids::kSwProgress, 0);
}

void CSoftwarePage::CopyFromSensor() {
    Controls().SetProgress(ids::kSwProgress, records_.Download().DownloadProgress);
}

void CSoftwarePage::OnNotify(int id, fw::Notify notify) {
    if (notify != fw::Notify::Clicked) return;
    switch (id) {
        case ids::kSwBrowse: panel_.Browse(); break;
        case ids::kSwUpgrade: panel_.Start(); break;
        case ids::kSwCancel: panel_.Cancel(); break;
        default: break;
    }
}

void CSoftwarePage::OnPaint() {
    const SensorData& s = records_.Sensor;
    FillList(Controls(), ids::kSwStatusList,
             {"Original Software Installed By :", s.InstallName, "Original Software Installed On :",
              s.InstallDate, "Present Software Issue Number :", s.UpgradeIssue,
              "Present Software Installed By :", s.UpgradeName,
              "Present Software Installed On :", s.UpgradeDate});
    OperatorPage::OnPaint();
}

}  // namespace corvane
