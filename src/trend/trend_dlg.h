#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "framework/dialog.h"
#include "link/shared_records.h"
#include "trend/readings_history.h"
#include "trend/readings_recorder.h"
#include "trend/trend_chart.h"

namespace corvane {

// The trend window: the live readings against time over the last 1, 10 or 60 minutes, each
// reading in its own pane with an axis that follows its data, the status lines that appeared
// marked on the time axis, a pause that holds the view still while polling goes on, and the
// recording of every answered poll to a readings file.
//
// Opened from the Monitor page it shows the sensor's readings; from the Channels page, one line
// per channel that is on. It blocks no window, and it never touches the link: it reads the
// readings history the main window keeps, on its own 200 ms refresh as the pages do, and draws
// the chart again only when what it shows has changed: when it moves on, once a second over one
// minute, every 2 s over ten, every 12 s over an hour (see TrendMoveMs).
class CTrendDlg : public fw::Dialog {
  public:
    enum class Kind { Sensor, Channels };
    static constexpr int kTimerId = 21;
    static constexpr int kRefreshPeriodMs = 200;
    static constexpr std::array<std::int64_t, 3> kSpansMs = {60'000, 600'000, 3'600'000};
    static constexpr const char* kRecordCaption = "Record Readings";

    CTrendDlg(fw::Host& host, const SharedRecords& records, ReadingsHistory& history, Kind kind);
    ~CTrendDlg() override;

    // Opens the window on top of the window `owner` belongs to, or brings it to the front.
    void Open(fw::WindowView* owner);
    // Closes the window at once (the window it was opened from has gone); a recording stops.
    void Close();
    // The Channels page's channels 1..5: which are on and their addresses.
    void SetChannels(const std::array<int, kChannelCount>& on,
                     const std::array<int, kChannelCount>& addresses);

    bool Paused() const { return paused_; }
    std::int64_t SpanMs() const { return kSpansMs[static_cast<std::size_t>(span_)]; }
    const ReadingsRecorder& Recorder() const { return recorder_; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override {}  // Enter closes nothing
    void OnTimer(int id) override;
    void OnDestroy() override;

  private:
    TrendView MakeView(std::int64_t nowMs) const;
    void Refresh();
    void TogglePause();
    void ChooseRecordingFile();
    void StartRecording(const std::string& path);
    void StopRecording();
    void OnRow(const ReadingRow& row);
    void ShowRecordState();

    const SharedRecords& records_;
    ReadingsHistory& history_;
    Kind kind_;
    std::array<int, kReadingCount> shown_{1, 1, 1, 1, 1, 1};
    int span_ = 0;  // index into kSpansMs
    bool paused_ = false;
    std::int64_t pausedAtMs_ = 0;
    std::array<int, kChannelCount> channelOn_{};
    std::array<int, kChannelCount> channelAddress_{1, 2, 3, 4, 5};
    TrendView shownView_;
    bool chartShown_ = false;  // shownView_ is what the chart shows
    ReadingsRecorder recorder_;
    int listener_ = 0;  // the history's listener while recording
};

}  // namespace corvane
