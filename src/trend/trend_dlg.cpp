#include "trend/trend_dlg.h"

#include <cstdio>

#include "framework/data_exchange.h"
#include "resources/trend_window.h"

namespace corvane {
namespace {

const fw::DialogTemplate& TemplateOf(CTrendDlg::Kind kind) {
    return kind == CTrendDlg::Kind::Channels ? resources::ChannelsTrendTemplate()
                                             : resources::TrendTemplate();
}

// The file name offered for a recording: when it starts, "readings-20261207-0930.csv".
std::string OfferedName(const fw::DateTime& now) {
    char name[40];
    std::snprintf(name, sizeof name, "readings-%04d%02d%02d-%02d%02d.csv", now.year, now.month,
                  now.day, now.hour, now.minute);
    return name;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RowsText(std::uint64_t rows) {
    return std::to_string(rows) + (rows == 1 ? " row" : " rows");
}

}  // namespace

CTrendDlg::CTrendDlg(fw::Host& host, const SharedRecords& records, ReadingsHistory& history,
                     Kind kind)
    : Dialog(host, TemplateOf(kind)), records_(records), history_(history), kind_(kind) {}

CTrendDlg::~CTrendDlg() {
    Close();
}

void CTrendDlg::Open(fw::WindowView* owner) {
    ShowModeless(owner);
}

void CTrendDlg::Close() {
    CloseWindow();
}

void CTrendDlg::SetChannels(const std::array<int, kChannelCount>& on,
                            const std::array<int, kChannelCount>& addresses) {
    channelOn_ = on;
    channelAddress_ = addresses;
}

bool CTrendDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    chartShown_ = false;
    SetTimer(kTimerId, kRefreshPeriodMs);
    Controls().SetText(ids::kTrendPause, paused_ ? "Res&ume" : "&Pause");
    ShowRecordState();
    Refresh();
    return true;
}

void CTrendDlg::DoDataExchange(fw::DataExchange& dx) {
    for (std::size_t r = 0; r < kReadingCount; ++r) dx.Check(ids::kTrendShow[r], shown_[r]);
    dx.Radio(ids::kTrendSpan1, span_);
    if (span_ < 0 || span_ >= static_cast<int>(kSpansMs.size())) span_ = 0;
}

void CTrendDlg::OnNotify(int id, fw::Notify notify) {
    if (notify != fw::Notify::Clicked) return;
    if (id == ids::kTrendPause) {
        TogglePause();
    } else if (id == ids::kTrendRecord) {
        if (recorder_.Active()) {
            StopRecording();
        } else {
            ChooseRecordingFile();
        }
    } else {
        UpdateData(true);  // a reading switched on or off, another span
    }
    Refresh();
}

void CTrendDlg::OnTimer(int id) {
    if (id != kTimerId) return;
    Refresh();
    ShowRecordState();
}

void CTrendDlg::OnDestroy() {
    StopRecording();
}

TrendView CTrendDlg::MakeView(std::int64_t nowMs) const {
    TrendView view;
    view.spanMs = SpanMs();
    view.endMs = TrendViewEnd(paused_ ? pausedAtMs_ : nowMs, view.spanMs);
    for (std::size_t r = 0; r < kReadingCount; ++r) view.shown[r] = shown_[r] != 0;
    if (kind_ == Kind::Channels) {
        for (int k = 1; k <= kChannelCount; ++k) {
            const auto i = static_cast<std::size_t>(k - 1);
            if (channelOn_[i] == 0) continue;
            view.sources.push_back(
                {"Sensor" + std::to_string(k) + " (" + std::to_string(channelAddress_[i]) + ")", k,
                 kChannelColours[i]});
        }
    } else {
        view.sources.push_back({"", 0, 0});
    }
    const SensorData& s = records_.Sensor;
    view.units = {"mS/cm", "mS/cm", s.TempUnit, s.DigitalUnit, "mA", "mA"};
    if (paused_) view.note = "Paused at " + ClockText(pausedAtMs_);
    if (kind_ == Kind::Channels && view.sources.empty()) {
        view.note = "No channel is on: switch channels on on the Channels page.";
    }
    return view;
}

// The chart is built again only when the view has moved on a step or changed otherwise: the
// samples in a view that ends at a whole step before now can no longer change.
void CTrendDlg::Refresh() {
    if (!IsOpen()) return;
    const TrendView view = MakeView(MillisecondsOf(host_.PreciseNow()));
    if (chartShown_ && view == shownView_) return;
    Controls().SetChart(ids::kTrendChart, BuildTrendChart(history_, view));
    shownView_ = view;
    chartShown_ = true;

    // The status lines marked in view, the latest first.
    std::vector<std::string> lines;
    const auto& marks = history_.Marks();
    const std::int64_t from = view.endMs - view.spanMs;
    for (std::size_t i = marks.Size(); i > history_.FirstMarkFrom(from); --i) {
        const TrendMark& mark = marks[i - 1];
        if (mark.timeMs >= view.endMs) continue;
        lines.push_back(ClockText(mark.timeMs) + "  " + mark.text);
    }
    Controls().ListSetItems(ids::kTrendMarks, std::move(lines));
}

void CTrendDlg::TogglePause() {
    paused_ = !paused_;
    if (paused_) pausedAtMs_ = MillisecondsOf(host_.PreciseNow());
    Controls().SetText(ids::kTrendPause, paused_ ? "Res&ume" : "&Pause");
}

void CTrendDlg::ChooseRecordingFile() {
    fw::FileDialogRequest request;
    request.save = true;
    request.defaultExtension = "csv";
    request.initialName = OfferedName(host_.Now());
    request.filter = "Readings Files (*.csv)|*.csv|All Files (*.*)|*.*||";
    request.mustExist = false;
    FileDialog(std::move(request), [this](std::optional<std::string> path) {
        if (path && !recorder_.Active()) StartRecording(*path);
    });
}

void CTrendDlg::StartRecording(const std::string& path) {
    std::string error;
    if (!recorder_.Start(path, error)) {
        host_.PlayBeep(fw::Beep::Exclamation);
        MessageBox(error + ".\n\nNothing is being recorded.", kRecordCaption, fw::Icon::Exclamation,
                   fw::Buttons::Ok);
        ShowRecordState();
        return;
    }
    listener_ =
        history_.AddListener([this](const ReadingRow& row, const TrendSample&) { OnRow(row); });
    Controls().SetText(ids::kTrendRecord, "&Stop Recording");
    ShowRecordState();
}

// Every answered poll, the moment its reply has been decoded.
void CTrendDlg::OnRow(const ReadingRow& row) {
    std::string error;
    if (recorder_.Append(row, error)) return;
    const std::uint64_t rows = recorder_.Rows();
    const std::string path = recorder_.Path();
    StopRecording();
    host_.PlayBeep(fw::Beep::Exclamation);
    MessageBox("The recording has stopped. " + error + ".\n\nThe " + RowsText(rows) +
                   (rows == 1 ? " written before is kept in " : " written before are kept in ") +
                   path + ".",
               kRecordCaption, fw::Icon::Exclamation, fw::Buttons::Ok);
}

void CTrendDlg::StopRecording() {
    if (listener_ != 0) history_.RemoveListener(listener_);
    listener_ = 0;
    recorder_.Stop();
    if (IsOpen()) {
        Controls().SetText(ids::kTrendRecord, "&Record...");
        ShowRecordState();
    }
}

void CTrendDlg::ShowRecordState() {
    if (!IsOpen()) return;
    std::string text = "Not recording.";
    if (recorder_.Active()) {
        text = "Recording to " + FileNameOf(recorder_.Path()) + ": " + RowsText(recorder_.Rows());
    } else if (!recorder_.Path().empty()) {
        text = "Recorded " + FileNameOf(recorder_.Path()) + ": " + RowsText(recorder_.Rows());
    }
    if (Controls().Text(ids::kTrendRecordState) != text) {
        Controls().SetText(ids::kTrendRecordState, text);
    }
}

}  // namespace corvane
