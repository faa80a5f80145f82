#include "resources/history_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app_test_rig.h"
#include "resources/main_window.h"

namespace corvane {
namespace {

using fw::kSecond;
using testing::AppRig;

// A service record held in memory, as the store would answer.
struct HeldHistory : records::EventHistory, records::EventSink {
    void Write(records::ServiceEvent event) override {
        events.push_back(std::move(event));
        ++written;
    }
    std::optional<std::vector<records::ServiceEvent>> Events(const records::EventFilter& f,
                                                             std::string&) override {
        std::vector<records::ServiceEvent> found;
        for (const records::ServiceEvent& e : events) {
            if (!f.serialNumber.empty() && e.sensor.serialNumber != f.serialNumber) continue;
            if (!f.kind.empty() && e.kind != f.kind) continue;
            if (!f.sinceUtc.empty() && e.timeUtc < f.sinceUtc) continue;
            found.push_back(e);
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.timeUtc > b.timeUtc; });
        return found;
    }
    std::optional<std::vector<records::SensorIdentity>> Sensors(std::string&) override {
        std::vector<records::SensorIdentity> sensors;
        for (const records::ServiceEvent& e : events) {
            if (std::none_of(sensors.begin(), sensors.end(), [&e](const auto& s) {
                    return s.serialNumber == e.sensor.serialNumber;
                })) {
                sensors.push_back(e.sensor);
            }
        }
        return sensors;
    }
    std::uint64_t WrittenCount() const override { return written; }

    std::vector<records::ServiceEvent> events;
    std::uint64_t written = 0;
};

records::ServiceEvent Event(const std::string& time, const std::string& serial,
                            const std::string& kind, const std::string& summary) {
    records::ServiceEvent e;
    e.uuid = time + serial;
    e.timeUtc = time;
    e.operatorName = "A. TECH";
    e.sensor.serialNumber = serial;
    e.kind = kind;
    e.summary = summary;
    e.details = R"({"point":2,"as_found":{"polls":48,"mean":45.2}})";
    return e;
}

class HistoryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        rig.Settle();
        held.events = {Event("2026-12-01T08:00:00.000Z", "VX0100", "setup-read", "read"),
                       Event("2026-12-03T09:00:00.000Z", "VX0100", "calibration", "point 2"),
                       Event("2026-12-02T10:00:00.000Z", "VX0200", "download", "upgrade")};
        rig.Window().UseServiceRecord(
            held, {"corvane-control-centre", "test", "bench", [] { return "COM1"; }}, held,
            [this](bool push, const std::string& server) {
                exchanged = (push ? "push " : "pull ") + server;
                return std::string("3 events pushed to ") + server;
            },
            [this]() -> std::optional<std::string> { return std::exchange(failure, {}); });
        rig.Controls().UserClick(ids::kServiceHistory);
        rig.Settle();
    }
    CHistoryDlg& Window() { return rig.Window().HistoryWindow(); }
    fw::WindowModel& Controls() { return Window().Controls(); }
    std::vector<std::string> Listed() { return Controls().ListItems(ids::kHistEvents); }

    AppRig rig;
    HeldHistory held;
    std::string exchanged;
    std::optional<std::string> failure;
};

TEST_F(HistoryWindowTest, listsNewestFirstAndNarrowsBySensorAndKind) {
    ASSERT_TRUE(Window().IsOpen());
    ASSERT_EQ(Listed().size(), 3u);
    EXPECT_EQ(Listed()[0].substr(0, 24), "2026-12-03T09:00:00.000Z");
    EXPECT_EQ(Listed()[2].substr(0, 24), "2026-12-01T08:00:00.000Z");
    EXPECT_EQ(Controls().ListItems(ids::kHistSensor).size(), 3u) << "all, and the two sensors";

    Controls().UserSelect(ids::kHistSensor, 1);  // VX0100
    EXPECT_EQ(Listed().size(), 2u);
    Controls().UserSelect(ids::kHistKind, 5);  // calibration
    ASSERT_EQ(Listed().size(), 1u);
    EXPECT_NE(Listed()[0].find("calibration  A. TECH  point 2"), std::string::npos) << Listed()[0];

    Controls().UserSelect(ids::kHistKind, 0);
    Controls().UserType(ids::kHistSince, "2026-12-02");
    EXPECT_EQ(Listed().size(), 1u);
}

TEST_F(HistoryWindowTest, showsTheDetailsOfTheEventPickedOut) {
    Controls().UserSelect(ids::kHistEvents, 0);
    const auto& lines = Controls().ListItems(ids::kHistDetails);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Summary: point 2"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "point: 2"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "  polls: 48"), lines.end());
}

TEST_F(HistoryWindowTest, followsNewEventsAndKeepsThePickedOneSelected) {
    Controls().UserSelect(ids::kHistEvents, 1);
    held.Write(Event("2026-12-04T07:00:00.000Z", "VX0100", "outputs-forced", "forced"));
    rig.Run(2 * kSecond);
    ASSERT_EQ(Listed().size(), 4u);
    EXPECT_NE(Listed()[0].find("forced"), std::string::npos);
    EXPECT_EQ(Controls().ListSelection(ids::kHistEvents), 2) << "the same event, one row down";
}

TEST_F(HistoryWindowTest, exportsTheEventsListedAsCsv) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("corvane-history-export-" + std::to_string(::getpid()) + ".csv");
    rig.host.ScriptFileChoices({path.string()});
    Controls().UserSelect(ids::kHistSensor, 2);  // VX0200
    Controls().UserClick(ids::kHistExport);
    rig.Settle();
    std::stringstream read;
    read << std::ifstream(path).rdbuf();
    const std::string text = read.str();
    std::filesystem::remove(path);  // closed first: Windows removes no open file
    EXPECT_EQ(text.substr(0, text.find('\n')), records::kEventCsvHeader);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    EXPECT_NE(text.find("VX0200"), std::string::npos);
    EXPECT_EQ(Controls().Text(ids::kHistState), "1 event exported to " + path.string());
}

// A push runs on a thread of its own; the window says how it ended once it has.
TEST_F(HistoryWindowTest, pushesToTheServerGivenAndSaysHowItEnded) {
    Controls().UserClick(ids::kHistPush);
    EXPECT_EQ(Controls().Text(ids::kHistState),
              "Give the server as postgresql://USER@HOST[:PORT]/DATABASE.");
    Controls().UserType(ids::kHistServer, "postgresql://tech@plant/records");
    Controls().UserClick(ids::kHistPush);
    EXPECT_FALSE(Controls().IsEnabled(ids::kHistPush)) << "one exchange at a time";
    for (int i = 0; i < 50 && Controls().Text(ids::kHistState).find("3 events") != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        rig.Run(kSecond);
    }
    EXPECT_EQ(exchanged, "push postgresql://tech@plant/records");
    EXPECT_EQ(Controls().Text(ids::kHistState),
              "3 events pushed to postgresql://tech@plant/records");
    EXPECT_TRUE(Controls().IsEnabled(ids::kHistPush));
}

// A record that cannot be written is said once, in a box, whatever happens afterwards.
TEST_F(HistoryWindowTest, aRecordThatCannotBeWrittenIsSaidOnce) {
    failure = "the service history /x cannot be opened: no such folder";
    rig.Run(3 * kSecond);
    failure = std::nullopt;
    rig.Run(3 * kSecond);
    int said = 0;
    for (const auto& shown : rig.host.Boxes()) said += shown.box.caption == "Service History";
    EXPECT_EQ(said, 1);
}

}  // namespace
}  // namespace corvane
