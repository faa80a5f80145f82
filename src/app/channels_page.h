#pragma once

#include <array>
#include <memory>
#include <string>

#include "link/sensor_data.h"
#include "link/sensor_link.h"
#include "page_kit/operator_page.h"
#include "trend/trend_dlg.h"

namespace corvane {

// The Channels page: up to five sensors on one line, each at its own address. While the page is
// the active page the link's idle poll visits the channels that are on, one after the other,
// and the page shows the six readings of each; a channel whose sensor does not answer shows its
// readings blank (never zeros, which would read as a measurement) and is named in the page's
// messages until it answers again.
// While it is active the page has the link's channel cycle hold the line; when it is left, or
// the sheet closes on it, the cycle gives the line back to the address in use before.
class CMultiInput : public OperatorPage {
  public:
    static constexpr int kTimerId = 13;
    static constexpr int kHighestAddress = 247;

    CMultiInput(fw::Host& host, SharedRecords& records, SensorLink& link);
    ~CMultiInput() override;

    // The readings history the trend window ("&Trend...": one line per channel that is on)
    // shows; it must outlive the page.
    void UseHistory(ReadingsHistory* history);
    CTrendDlg* Trend() { return trend_.get(); }

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    bool OnInitDialog() override;
    void InitialiseFields() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    void OnReset() override;
    void OnDestroy() override;
    void OnTimer(int id) override;
    void OnNotify(int id, fw::Notify notify) override;

  private:
    // A channel's six readings as shown: zeros while it is off, blank while its sensor does not
    // answer.
    struct Readings {
        std::string condRaw = "0", condComp = "0", temperature = "0", concentration = "0",
                    out1 = "0", out2 = "0";
    };

    // Channels are numbered 1 to 5; 0 = none.
    void EnableRow(int channel, bool enabled);
    void CycleStep();
    void GiveBackTheLine();

    std::array<int, kChannelCount> address_{};
    std::array<int, kChannelCount> on_{};
    std::array<Readings, kChannelCount> readings_{};
    // Channels whose sensor left its last poll unanswered.
    std::array<bool, kChannelCount> silent_{};
    ChannelCycle& cycle_;
    std::unique_ptr<CTrendDlg> trend_;
};

}  // namespace corvane
