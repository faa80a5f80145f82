#pragma once

#include "framework/dialog.h"
#include "framework/host.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"

namespace corvane {

// What differs between the two pages that select and send software: the Software page upgrades,
// the Factory page installs.
struct DownloadPanelStyle {
    int pathBoxId;
    DownloadOrigin origin;
    const char* confirmation;       // the Yes/No question before the download starts
    const char* busyBrowseCaption;  // Browse while a download runs
    fw::Beep tooBigBeep;            // before the refusal of a file
    const char* cancelCaption;      // Cancel while a download runs
    const char* notRunningCaption;  // Cancel with no download
};

// The "Select and Install Software" group both pages share: Browse selects and checks an image,
// the start button asks and then starts the download on the sensor link, Cancel stops it. The pages
// see the download only through the shared records, so a download started on one page shows on
// the other and either can cancel it.
class DownloadPanel {
  public:
    static constexpr const char* kCaption = "Software Download Operation !";
    static constexpr const char* kRefusedSuffix = " ... Failed to Load ";

    DownloadPanel(fw::Dialog& page, SharedRecords& records, SensorLink& link,
                  DownloadPanelStyle style)
        : page_(page), records_(records), link_(link), style_(style) {}

    void Browse();
    void Start();
    void Cancel();

  private:
    void Select(const std::string& path);
    void Refuse(const std::string& path, const std::string& reason);
    void Confirmed();
    void Box(const char* text, const char* caption, fw::Icon icon,
             std::function<void(fw::Answer)> onAnswer = {});

    fw::Dialog& page_;
    SharedRecords& records_;
    SensorLink& link_;
    DownloadPanelStyle style_;
};

}  // namespace corvane
