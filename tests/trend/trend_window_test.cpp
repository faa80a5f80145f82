#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#ifdef __linux__
#include <sys/resource.h>

#include <csignal>
#endif

#include "app/channels_page.h"
#include "app/monitor_page.h"
#include "link/command_table.h"
#include "link/wire_values.h"
#include "resources/channels_page.h"
#include "resources/monitor_page.h"
#include "resources/trend_window.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using fw::kMillisecond;
using fw::kSecond;
using namespace ids;

// The six readings of a poll reply as the sensor sent them (the wire encoding of link/).
std::array<double, 6> ReadingsOf(const std::vector<std::uint8_t>& reply) {
    const std::span<const std::uint8_t> f(reply);
    return {GetS16(f, 2) * 0.1,  GetS16(f, 4) * 0.1,    GetS16(f, 6) * 0.01,
            GetS16(f, 8) * 0.01, GetU16(f, 10) * 0.001, GetU16(f, 12) * 0.001};
}

// Collects the poll replies a virtual sensor sends.
struct PollReplies {
    explicit PollReplies(sim::VirtualSensor& sensor) {
        sensor.SetReplyObserver([this](std::span<const std::uint8_t> reply) {
            if (reply.size() > 2 && reply[1] == fn::kPoll)
                sent.emplace_back(reply.begin(), reply.end());
        });
    }
    std::vector<std::vector<std::uint8_t>> sent;
};

std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The program on the virtual sensor at the factory level, the Monitor page in view and its
// trend window open.
class TrendWindow : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        monitor = &Open("Monitor");
        monitor->UserClick(kMonTrend);
        rig.Settle();
        ASSERT_NE(Window(), nullptr);
        ASSERT_TRUE(Window()->IsOpen());
        dir = fs::temp_directory_path() /
              ("corvane-trend-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    CTrendDlg* Window() {
        return static_cast<CMonitorPage*>(rig.Window().Page(PageKind::Monitor))->Trend();
    }
    fw::WindowModel& Controls() { return Window()->Controls(); }
    const fw::ChartContent& Chart() { return Controls().Chart(kTrendChart); }
    ReadingsHistory& History() { return rig.Window().History(); }
    // Runs, then on until the window has refreshed (its view ends at the last whole second).
    void RunAndRefresh(fw::VirtualClock::Micros duration) {
        rig.Run(duration);
        rig.Run(CTrendDlg::kRefreshPeriodMs * kMillisecond);
    }
    // Runs until no request is outstanding, so that no reply is on its way.
    void RunUntilLineQuiet() {
        for (int i = 0; i < 1000 && rig.Records().Link().RequestFunction != 0; ++i) {
            rig.Run(kMillisecond);
        }
        ASSERT_EQ(rig.Records().Link().RequestFunction, 0);
    }
    void Click(int id) {
        Controls().UserClick(id);
        rig.Settle();
    }
    // The points of the pane of reading `r` (all panes shown), segment by segment.
    const std::vector<std::vector<fw::ChartPoint>>& Points(std::size_t r, std::size_t line = 0) {
        return Chart().panes.at(r).series.at(line).segments;
    }

    fw::WindowModel* monitor = nullptr;
    fs::path dir;
};

TEST_F(TrendWindow, opensWithoutBlockingTheSheetWhosePagesGoOnRefreshing) {
    EXPECT_EQ(rig.host.OpenDialogs().back(), Window());
    // The sheet still takes the operator's tab changes, and the page in view keeps its refresh.
    fw::PropertySheet& sheet = *Sheet();
    ASSERT_TRUE(sheet.SetActivePage(1));
    auto* setup = dynamic_cast<OperatorPage*>(&sheet.ActivePage());
    ASSERT_NE(setup, nullptr);
    EXPECT_TRUE(setup->TimerRunning(setup->RefreshTimerId()));
    EXPECT_TRUE(Window()->IsOpen());
    // A second click brings the open window forward instead of opening another.
    ASSERT_TRUE(sheet.SetActivePage(0));
    rig.Settle();
    monitor->UserClick(kMonTrend);
    rig.Settle();
    EXPECT_EQ(std::count(rig.host.OpenDialogs().begin(), rig.host.OpenDialogs().end(), Window()),
              1);
}

TEST_F(TrendWindow, theLinkKeepsItsRhythmWithTheWindowOpen) {
    const std::size_t from = WrittenCount();
    const auto& times = rig.Line().WriteTimes();
    rig.Run(10 * kSecond);
    ASSERT_EQ(WrittenCount() - from, 50u) << "five polls a second";
    for (std::size_t i = from + 1; i < times.size(); ++i) {
        EXPECT_EQ(times[i] - times[i - 1], 200 * kMillisecond);
    }
}

TEST_F(TrendWindow, theLinesReceiveExactlyTheAnsweredPolls) {
    RunUntilLineQuiet();
    PollReplies replies(rig.sensor);
    const std::size_t firstSample = History().Samples().Size();
    RunAndRefresh(20 * kSecond);
    const auto& samples = History().Samples();
    const std::size_t added = samples.Size() - firstSample;
    // Every reply sent has been answered, but perhaps the one still on its way.
    ASSERT_GE(replies.sent.size(), 99u);
    ASSERT_LE(replies.sent.size() - added, 1u);
    for (std::size_t i = 0; i < added; ++i) {
        EXPECT_EQ(samples[firstSample + i].values, ReadingsOf(replies.sent[i])) << "poll " << i;
    }
    // Over one minute every poll in view is a point of its own, each reading in its pane.
    ASSERT_EQ(Chart().panes.size(), 6u);
    const auto& view = Points(0);
    ASSERT_EQ(view.size(), 1u);
    std::vector<fw::ChartPoint> expected;
    for (std::size_t i = 0; i < samples.Size(); ++i) {
        const auto at = static_cast<double>(samples[i].timeMs);
        if (at >= Chart().xMin && at < Chart().xMax) {
            expected.push_back({static_cast<double>(samples[i].timeMs), samples[i].values[0]});
        }
    }
    EXPECT_EQ(view[0], expected);
    EXPECT_GE(expected.size(), added - 7) << "all but the last second's";
    std::size_t newest = samples.Size() - 1;
    while (static_cast<double>(samples[newest].timeMs) >= Chart().xMax) --newest;
    for (std::size_t r = 0; r < 6; ++r) {
        EXPECT_EQ(Points(r)[0].back().y, samples[newest].values[r])
            << "the newest poll in view is the last point of every pane";
    }
}

TEST_F(TrendWindow, aSilentSensorAddsNoPointsAndItsTimeOutIsMarked) {
    rig.sensor.Faults().silent = true;
    rig.Run(300 * kMillisecond);  // the reply on its way, if any, arrives
    const std::uint64_t answered = History().AnsweredPolls();
    const std::size_t points = Points(0)[0].size();
    RunAndRefresh(10 * kSecond);
    EXPECT_EQ(History().AnsweredPolls(), answered);
    ASSERT_EQ(Points(0).size(), 1u);
    EXPECT_LE(Points(0)[0].size(), points + 6) << "no more than the second the view lags";

    std::vector<std::string> faults;
    for (const auto& mark : Chart().marks) {
        if (mark.kind == fw::ChartMark::Kind::Fault) faults.push_back(mark.label);
    }
    EXPECT_EQ(faults, (std::vector<std::string>{"01", "02", "04"}))
        << "each once, however long the silence";
    const auto& listed = Controls().ListItems(kTrendMarks);
    ASSERT_FALSE(listed.empty());
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const std::string& line) {
        return line.ends_with("  Msg 02..Data Reply Timed Out");
    }));

    // The sensor answers again: a new piece of line after the gap, and comms OK marked.
    rig.sensor.Faults().silent = false;
    RunAndRefresh(8 * kSecond);
    EXPECT_GT(History().AnsweredPolls(), answered + 5);
    EXPECT_EQ(Points(0).size(), 2u);
    const auto& marks = Chart().marks;
    const auto reset = std::find_if(marks.begin(), marks.end(),
                                    [](const fw::ChartMark& m) { return m.label == "04"; });
    EXPECT_TRUE(
        std::any_of(reset, marks.end(), [](const fw::ChartMark& m) { return m.label == "08"; }));
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const std::string& line) {
        return line.ends_with("  Msg 08..Sensor Comms OK");
    }));
}

TEST_F(TrendWindow, pauseHoldsTheViewWhilePollingGoesOn) {
    RunAndRefresh(2 * kSecond);
    Click(kTrendPause);
    EXPECT_TRUE(Window()->Paused());
    EXPECT_EQ(Controls().Text(kTrendPause), "Res&ume");
    // Every access key of the window still names one control only.
    std::set<char> keys;
    for (const auto& control : Controls().Template().controls) {
        const std::string caption =
            control.id == kTrendPause ? Controls().Text(kTrendPause) : std::string(control.caption);
        const auto amp = caption.find('&');
        if (amp == std::string::npos || amp + 1 >= caption.size()) continue;
        EXPECT_TRUE(keys.insert(static_cast<char>(std::tolower(caption[amp + 1]))).second)
            << "Alt+" << caption[amp + 1] << " is taken twice (" << caption << ")";
    }
    rig.Run(CTrendDlg::kRefreshPeriodMs * kMillisecond);
    const fw::ChartContent held = Chart();
    EXPECT_TRUE(held.note.starts_with("Paused at "));
    const std::uint64_t answered = History().AnsweredPolls();
    const std::size_t written = WrittenCount();

    rig.Run(5 * kSecond);
    EXPECT_EQ(Chart(), held);
    EXPECT_EQ(WrittenCount() - written, 25u);
    EXPECT_GE(History().AnsweredPolls() - answered, 24u);

    Click(kTrendPause);
    EXPECT_FALSE(Window()->Paused());
    EXPECT_EQ(Controls().Text(kTrendPause), "&Pause");
    EXPECT_TRUE(Chart().note.empty());
    EXPECT_GE(Chart().xMax, held.xMax + 4'000);
    EXPECT_GT(Points(0)[0].size(), held.panes[0].series[0].segments[0].size() + 15);
}

TEST_F(TrendWindow, theSpanAndTheReadingsShownAreTheOperatorsChoice) {
    EXPECT_EQ(Chart().xMax - Chart().xMin, 60'000);
    Click(kTrendSpan60);
    EXPECT_EQ(Window()->SpanMs(), 3'600'000);
    EXPECT_EQ(Chart().xMax - Chart().xMin, 3'600'000);
    Click(kTrendSpan10);
    EXPECT_EQ(Chart().xMax - Chart().xMin, 600'000);

    Click(kTrendShow[0]);
    Click(kTrendShow[3]);
    ASSERT_EQ(Chart().panes.size(), 4u);
    EXPECT_TRUE(Chart().panes[0].title.starts_with("Conductivity (With T/C)"));
    EXPECT_TRUE(Chart().panes[2].title.starts_with("Current Output 1"));
}

TEST_F(TrendWindow, theRecordingHoldsARowPerAnsweredPollAsTheReadingsFileHasIt) {
    PollReplies replies(rig.sensor);
    const fs::path path = dir / "readings.csv";
    rig.host.ScriptFileChoices({path.string()});
    Click(kTrendRecord);
    ASSERT_EQ(rig.host.FileDialogs().size(), 1u);
    EXPECT_TRUE(rig.host.FileDialogs()[0].save);
    EXPECT_EQ(rig.host.FileDialogs()[0].initialName, "readings-20261207-0930.csv");
    ASSERT_TRUE(Window()->Recorder().Active());
    EXPECT_EQ(Controls().Text(kTrendRecord), "&Stop Recording");

    RunUntilLineQuiet();
    std::vector<ReadingRow> rows;
    const int listener = History().AddListener(
        [&](const ReadingRow& row, const TrendSample&) { rows.push_back(row); });
    const std::size_t firstReply = replies.sent.size();
    const std::size_t rowsBefore = Lines(path).size() - 1;
    rig.Run(10 * kSecond);
    Controls().UserClick(kTrendRecord);
    History().RemoveListener(listener);
    rig.Settle();
    EXPECT_FALSE(Window()->Recorder().Active());
    EXPECT_EQ(Controls().Text(kTrendRecord), "&Record...");

    const auto lines = Lines(path);
    ASSERT_GE(rows.size(), 49u);
    ASSERT_EQ(lines.size(), 1 + rowsBefore + rows.size());
    EXPECT_EQ(lines[0], kReadingsCsvHeader);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(lines[1 + rowsBefore + i], ReadingsCsvLine(rows[i]));
        const auto sent = ReadingsOf(replies.sent.at(firstReply + i));
        EXPECT_EQ((std::array<double, 6>{rows[i].CondRaw, rows[i].CondComp, rows[i].Temperature,
                                         rows[i].Concentration, rows[i].Out1Current,
                                         rows[i].Out2Current}),
                  sent)
            << "row " << i << " is the poll the sensor answered";
    }
    EXPECT_EQ(Controls().Text(kTrendRecordState),
              "Recorded readings.csv: " + std::to_string(rowsBefore + rows.size()) + " rows");

    // Polls after the stop are not written.
    rig.Run(2 * kSecond);
    EXPECT_EQ(Lines(path).size(), lines.size());
}

TEST_F(TrendWindow, aRecordingToAPlaceThatCannotBeWrittenIsRefusedWithABox) {
    const fs::path path = dir / "no such folder" / "readings.csv";
    rig.host.ScriptFileChoices({path.string()});
    Click(kTrendRecord);
    ASSERT_FALSE(rig.host.Boxes().empty());
    const fw::BoxRequest& box = LastBox().box;
    EXPECT_EQ(box.caption, "Record Readings");
    EXPECT_EQ(box.icon, fw::Icon::Exclamation);
    EXPECT_EQ(box.text, "Cannot create " + path.string() +
                            ": No such file or directory.\n\nNothing is being recorded.");
    EXPECT_FALSE(Window()->Recorder().Active());
    EXPECT_EQ(Controls().Text(kTrendRecord), "&Record...");
    EXPECT_EQ(Controls().Text(kTrendRecordState), "Not recording.");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(TrendWindow, cancellingTheFileChoiceRecordsNothing) {
    const std::size_t boxes = rig.host.Boxes().size();
    rig.host.ScriptFileChoices({std::nullopt});
    Click(kTrendRecord);
    EXPECT_FALSE(Window()->Recorder().Active());
    EXPECT_EQ(rig.host.Boxes().size(), boxes);
    EXPECT_EQ(Controls().Text(kTrendRecordState), "Not recording.");
}

#ifdef __linux__
std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file size limit of the process (setrlimit) stands for a full disk.
using TrendWindowPosix = TrendWindow;

// The disk takes no more than the header and two and a half rows: the recording stops at the
// third with a box that says why, and the file ends in its last whole row.
TEST_F(TrendWindowPosix, aWriteThatFailsStopsTheRecordingWithABoxAndKeepsWholeRows) {
    const fs::path path = dir / "readings.csv";
    rig.host.ScriptFileChoices({path.string()});
    Click(kTrendRecord);
    ASSERT_TRUE(Window()->Recorder().Active());
    rig.Run(400 * kMillisecond);
    const auto rowBytes = static_cast<rlim_t>(Lines(path).back().size() + 1);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(fs::file_size(path)) + 2 * rowBytes + rowBytes / 2;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    rig.Run(2 * kSecond);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(Window()->Recorder().Active());
    EXPECT_EQ(Controls().Text(kTrendRecord), "&Record...");
    ASSERT_FALSE(rig.host.Boxes().empty());
    const std::string& text = LastBox().box.text;
    EXPECT_TRUE(text.starts_with("The recording has stopped. Cannot write " + path.string() +
                                 ": File too large.\n\nThe "))
        << text;
    EXPECT_TRUE(text.ends_with(" rows written before are kept in " + path.string() + ".")) << text;
    const std::string content = Slurp(path);
    EXPECT_EQ(content.back(), '\n');
    const auto lines = Lines(path);
    EXPECT_EQ(lines.size(), Window()->Recorder().Rows() + 1);
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 7) << line;
    }
}
#endif

TEST_F(TrendWindow, closingTheSheetClosesTheWindowAndEndsItsRecording) {
    const fs::path path = dir / "readings.csv";
    rig.host.ScriptFileChoices({path.string()});
    Click(kTrendRecord);
    rig.Run(1 * kSecond);
    Sheet()->PressCancel();
    rig.Settle();
    EXPECT_FALSE(Window()->IsOpen());
    EXPECT_FALSE(Window()->Recorder().Active());
    const std::size_t lines = Lines(path).size();
    EXPECT_GE(lines, 5u);
    rig.Run(1 * kSecond);
    EXPECT_EQ(Lines(path).size(), lines);
    EXPECT_EQ(std::count(rig.host.OpenDialogs().begin(), rig.host.OpenDialogs().end(), Window()),
              0);
}

// The Channels page: one line per channel that is on, each with the polls of its own sensor.
class ChannelsTrend : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        for (sim::VirtualSensor& sensor : extra) rig.Line().Attach(sensor);
        LogIn();
        page = &Open("Channels");
    }
    CTrendDlg* Window() {
        return static_cast<CMultiInput*>(rig.Window().Page(PageKind::Channels))->Trend();
    }

    std::array<sim::VirtualSensor, 2> extra{sim::VirtualSensor{1}, sim::VirtualSensor{2}};
    fw::WindowModel* page = nullptr;
};

TEST_F(ChannelsTrend, eachChannelOnIsALineOfItsOwnWithItsOwnSensorsPolls) {
    PollReplies first(extra[0]);
    PollReplies second(extra[1]);
    PollReplies zero(rig.sensor);
    page->UserClick(kChnRows[0].onOff);
    page->UserClick(kChnRows[1].onOff);
    page->UserClick(kChnTrend);
    rig.Settle();
    ASSERT_TRUE(Window()->IsOpen());
    EXPECT_EQ(Window()->Template().caption, "Channels Trend");
    rig.Run(300 * kMillisecond);
    const std::size_t zeroBefore = zero.sent.size();
    rig.Run(12 * kSecond);

    const fw::ChartContent& chart = Window()->Controls().Chart(kTrendChart);
    ASSERT_EQ(chart.panes.size(), 6u);
    const auto& pane = chart.panes[1];
    ASSERT_EQ(pane.series.size(), 2u);
    EXPECT_EQ(pane.series[0].name, "Sensor1 (1)");
    EXPECT_EQ(pane.series[1].name, "Sensor2 (2)");
    const auto& samples = rig.Window().History().Samples();
    for (std::size_t k = 0; k < 2; ++k) {
        const int channel = static_cast<int>(k) + 1;
        // The channel's samples are its own sensor's replies, in order (but perhaps the last
        // one still on its way)...
        const auto& sent = (k == 0 ? first : second).sent;
        std::vector<const TrendSample*> own;
        for (std::size_t i = 0; i < samples.Size(); ++i) {
            if (samples[i].channel == channel) own.push_back(&samples[i]);
        }
        ASSERT_GE(own.size(), 15u);
        ASSERT_LE(sent.size() - own.size(), 1u);
        for (std::size_t i = 0; i < own.size(); ++i) {
            EXPECT_EQ(own[i]->values, ReadingsOf(sent[i])) << "channel " << channel;
            EXPECT_EQ(own[i]->address, channel);
        }
        // ... and its line in each pane is made of those in view.
        std::vector<fw::ChartPoint> expected;
        for (const TrendSample* sample : own) {
            if (static_cast<double>(sample->timeMs) < chart.xMax) {
                expected.push_back({static_cast<double>(sample->timeMs), sample->values[1]});
            }
        }
        ASSERT_EQ(pane.series[k].segments.size(), 1u);
        EXPECT_EQ(pane.series[k].segments[0], expected) << "channel " << channel;
    }
    EXPECT_EQ(zero.sent.size(), zeroBefore) << "the page polls the channels only";
}

}  // namespace
}  // namespace corvane
