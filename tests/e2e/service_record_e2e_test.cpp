// The service record kept by both programs against vexor-sim on a pseudo-terminal: what corvane
// and the desktop tool did to one sensor, listed by corvane history.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <filesystem>
#include <fstream>

#include "hex_text.h"
#include "link/shared_records.h"
#include "program_on_simulator.h"
#include "records/record_writer.h"
#include "records/sha256.h"
#include "resources/calibration_page.h"
#include "resources/setup_page.h"
#include "resources/test_page.h"
#include "setup/config_file.h"

namespace corvane {
namespace {

using testing::ProgramOnLink;
using testing::WaitUntil;

using testing::Finished;
using testing::RunCorvane;

std::vector<QJsonObject> JsonLines(const std::string& text) {
    std::vector<QJsonObject> events;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        events.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return events;
}

QJsonObject OfKind(const std::vector<QJsonObject>& events, const char* kind) {
    for (const QJsonObject& event : events) {
        if (event["kind"].toString() == kind) return event;
    }
    return {};
}

// The desktop tool on the line, recording into `records` as the program does.
struct RecordingProgram {
    RecordingProgram(const std::filesystem::path& link, const std::string& records)
        : program(link), writer(records), history(records, &writer) {
        EXPECT_TRUE(program.Start());
        program.Window().UseServiceRecord(
            writer, {"corvane-control-centre", "test", "bench", [link] { return link.string(); }},
            history, nullptr, [this] { return writer.TakeFailure(); });
    }
    ~RecordingProgram() {
        program.Window().StopServiceRecord();
        writer.Flush();
    }
    ProgramOnLink program;
    records::RecordWriter writer;
    records::StoreHistory history;
};

class ServiceRecordOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
        ASSERT_TRUE(simulator.Start("records"));
    }
    QString Device() const { return QString::fromStdString(simulator.Link().string()); }
    QString Records() const { return QString::fromStdString(folder.Path("history.sqlite")); }

    testing::SimulatorProcess simulator;
    testing::ScratchFolder folder;
};

// A setup written by corvane, a calibration and a forced output from the desktop tool and a
// download by corvane: four events of one sensor, each with what makes it checkable.
TEST_F(ServiceRecordOnTheSimulator, bothProgramsRecordWhatTheyDidToTheSensor) {
    // corvane: the sensor's setup with another slope, written back.
    const std::string file = folder.Path("tank.QCF");
    ASSERT_EQ(RunCorvane({"--port", Device(), "--records", Records(), "read-setup",
                          QString::fromStdString(file)})
                  .status,
              0);
    SharedRecords setup;
    std::string error;
    ASSERT_EQ(LoadConfigFile(file, setup, error), LoadOutcome::Loaded) << error;
    const double slope = setup.Sensor.TempCompSlope;
    setup.Sensor.TempCompSlope = slope + 1.5;
    ASSERT_TRUE(SaveConfigFile(file, setup, error)) << error;
    const Finished write = RunCorvane({"--port", Device(), "--records", Records(), "write-setup",
                                       QString::fromStdString(file), "--yes"});
    ASSERT_EQ(write.status, 0) << write.err;

    {
        // The desktop tool: the setup read, point 2 calibrated, output 1 forced for about 2 s.
        RecordingProgram desktop(simulator.Link(), Records().toStdString());
        ProgramOnLink& p = desktop.program;
        ASSERT_TRUE(WaitUntil([&] { return p.Records().Engine().SensorAnswering; }, 5));
        p.LogIn();
        ASSERT_TRUE(WaitUntil([&] { return p.Sheet() != nullptr; }, 5));
        p.host.ScriptAnswers({fw::Answer::Yes});
        p.Page("Setup")->UserClick(ids::kSetReadSensor);
        ASSERT_TRUE(WaitUntil([&] { return desktop.writer.WrittenCount() >= 1; }, 10))
            << "the setup read whole";
        WaitUntil([] { return false; }, 3);  // polls for the reading as found
        p.host.ScriptAnswers({fw::Answer::Yes});
        p.Page("Calibration")->UserClick(ids::kCalCond92_5);
        ASSERT_TRUE(WaitUntil([&] { return desktop.writer.WrittenCount() >= 2; }, 25))
            << "the setup read and the calibration with 10 s of readings after it";
        fw::WindowModel* test = p.Page("Test");
        test->UserClick(ids::kTstOut1Transmit20mA);
        ASSERT_TRUE(WaitUntil([&] { return p.Records().Sensor.Out1Current == 20.0; }, 5));
        WaitUntil([] { return false; }, 2);
        test->UserClick(ids::kTstReturnToNormal);
        ASSERT_TRUE(WaitUntil([&] { return desktop.writer.WrittenCount() >= 3; }, 5));
    }

    // corvane: a software image downloaded.
    const std::string image = testing::HexText(testing::PatternImage(24, 16));
    const std::string imagePath = folder.Write("issue-7.hex", image);
    const Finished download = RunCorvane({"--port", Device(), "--records", Records(), "download",
                                          QString::fromStdString(imagePath), "--yes"},
                                         60);
    ASSERT_EQ(download.status, 0) << download.err;

    const Finished history =
        RunCorvane({"--records", Records(), "history", "--serial", "VX0100", "--json"});
    ASSERT_EQ(history.status, 0) << history.err;
    const std::vector<QJsonObject> events = JsonLines(history.out);

    const QJsonObject written = OfKind(events, "setup-written");
    ASSERT_FALSE(written.isEmpty()) << history.out;
    EXPECT_EQ(written["program"].toString(), "corvane");
    const QJsonArray changes = written["details"].toObject()["changes"].toArray();
    ASSERT_EQ(changes.size(), 1) << history.out;
    EXPECT_EQ(changes[0].toObject()["field"].toString(), "Temperature Compensation Slope");

    const QJsonObject calibration = OfKind(events, "calibration");
    ASSERT_FALSE(calibration.isEmpty())
        << RunCorvane({"--records", Records(), "history", "--kind", "calibration"}).out;
    EXPECT_EQ(calibration["program"].toString(), "corvane-control-centre");
    EXPECT_EQ(calibration["result"].toString(), "done");
    const QJsonObject details = calibration["details"].toObject();
    EXPECT_EQ(details["point"].toInt(), 2);
    EXPECT_GE(details["as_found"].toObject()["polls"].toInt(), 5) << history.out;
    EXPECT_GE(details["as_left"].toObject()["polls"].toInt(), 20) << history.out;
    EXPECT_TRUE(details["as_left"].toObject().contains("mean"));

    // Its certificate, from the record as both programs wrote it.
    const std::string certificate = folder.Path("certificate.pdf");
    const Finished certified =
        RunCorvane({"--records", Records(), "certificate", calibration["uuid"].toString(), "--out",
                    QString::fromStdString(certificate)});
    EXPECT_EQ(certified.status, 0) << certified.err;
    EXPECT_EQ(certified.out, "Certificate written to " + certificate + "\n");
    const std::string again = folder.Path("again.pdf");
    const Finished json =
        RunCorvane({"--records", Records(), "--json", "certificate", calibration["uuid"].toString(),
                    "--out=" + QString::fromStdString(again)});
    EXPECT_EQ(json.status, 0) << json.err;
    const QJsonObject document =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_EQ(document["uuid"].toString(), calibration["uuid"].toString()) << json.out;
    EXPECT_EQ(document["file"].toString().toStdString(), again) << json.out;
    if (QProcess pdftotext; !QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        pdftotext.start("pdftotext", {QString::fromStdString(certificate), "-"});
        ASSERT_TRUE(pdftotext.waitForFinished(30000));
        const std::string text = pdftotext.readAllStandardOutput().toStdString();
        EXPECT_NE(text.find("VX0100"), std::string::npos) << text;
        EXPECT_NE(text.find("Conductivity point 2"), std::string::npos) << text;
        EXPECT_NE(text.find("92.5 mS/cm"), std::string::npos) << text;
    }

    const QJsonObject forced = OfKind(events, "outputs-forced");
    ASSERT_FALSE(forced.isEmpty()) << history.out;
    EXPECT_EQ(forced["details"].toObject()["output"].toInt(), 1);
    EXPECT_NEAR(forced["details"].toObject()["forced_seconds"].toDouble(), 2.0, 1.5);

    const QJsonObject downloaded = OfKind(events, "download");
    ASSERT_FALSE(downloaded.isEmpty()) << history.out;
    const std::vector<std::uint8_t> bytes(image.begin(), image.end());
    EXPECT_EQ(downloaded["details"].toObject()["sha256"].toString().toStdString(),
              records::Sha256Hex(bytes));
    EXPECT_EQ(downloaded["details"].toObject()["result"].toString(), "completed");
    for (const QJsonObject& event : events) {
        EXPECT_EQ(event["sensor"].toObject()["serial"].toString(), "VX0100");
    }
}

// What scripts rely on: each plain line ends in the event's UUID, which --show and certificate
// take; a UUID the record lacks is exit status 2 for both; nothing to list is said.
TEST_F(ServiceRecordOnTheSimulator, historyLinesCarryTheUuidAndAnUnknownOneIsStatus2Everywhere) {
    ASSERT_EQ(RunCorvane({"--port", Device(), "--records", Records(), "read-setup", "--json",
                          QString::fromStdString(folder.Path("a.QCF"))})
                  .status,
              0);
    const Finished json = RunCorvane({"--records", Records(), "history", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::vector<QJsonObject> events = JsonLines(json.out);
    ASSERT_FALSE(events.empty()) << json.out;
    const std::string uuid = events.front()["uuid"].toString().toStdString();
    const Finished plain = RunCorvane({"--records", Records(), "history"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const std::string first = plain.out.substr(0, plain.out.find('\n'));
    EXPECT_TRUE(first.ends_with("  " + uuid)) << first;
    const Finished shown =
        RunCorvane({"--records", Records(), "history", "--show=" + QString::fromStdString(uuid)});
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("Event: " + uuid), std::string::npos) << shown.out;

    const QString unknown = "00000000-0000-4000-8000-000000000000";
    EXPECT_EQ(RunCorvane({"--records", Records(), "history", "--show", unknown}).status, 2);
    EXPECT_EQ(RunCorvane({"--records", Records(), "certificate", unknown, "--out",
                          QString::fromStdString(folder.Path("c.pdf"))})
                  .status,
              2);

    const Finished none = RunCorvane({"--records", Records(), "history", "--serial", "VX9999"});
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(none.out.empty()) << none.out;
    EXPECT_NE(none.err.find("no events of serial number VX9999"), std::string::npos) << none.err;
}

// A record that cannot be written (its folder cannot be made: a file stands in the way, which
// stops even the superuser) is said once by each program; their work goes on.
TEST_F(ServiceRecordOnTheSimulator, aRecordThatCannotBeWrittenIsSaidOnceAndTheWorkGoesOn) {
    const std::string blocked = folder.Write("not-a-folder", "") + "/history.sqlite";
    const Finished info =
        RunCorvane({"--port", Device(), "--records", QString::fromStdString(blocked), "info"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Serial Number: VX0100"), std::string::npos);
    EXPECT_EQ(std::count(info.err.begin(), info.err.end(), '\n'), 1) << info.err;
    EXPECT_NE(info.err.find("cannot be opened"), std::string::npos) << info.err;

    RecordingProgram desktop(simulator.Link(), blocked);
    ProgramOnLink& p = desktop.program;
    ASSERT_TRUE(WaitUntil([&] { return p.Records().Engine().SensorAnswering; }, 5));
    p.LogIn();
    ASSERT_TRUE(WaitUntil([&] { return p.Sheet() != nullptr; }, 5));
    const auto said = [&p] {
        int boxes = 0;
        for (const auto& shown : p.host.Boxes()) boxes += shown.box.caption == "Service History";
        return boxes;
    };
    p.host.ScriptAnswers({fw::Answer::Yes});
    p.Page("Setup")->UserClick(ids::kSetReadSensor);
    ASSERT_TRUE(WaitUntil([&] { return said() == 1; }, 10)) << "the setup read was recorded";
    p.host.ScriptAnswers({fw::Answer::Yes});
    p.Page("Calibration")->UserClick(ids::kCalCond925);
    WaitUntil([] { return false; }, 16);  // the calibration, and its readings as left
    EXPECT_EQ(said(), 1) << "said once";
    EXPECT_TRUE(p.Records().Engine().SensorAnswering) << "the link goes on";
}

}  // namespace
}  // namespace corvane
