// --json on every command: one JSON document on standard output (monitor: one object a line)
// that carries what the plain output carries, under the names corvane(1) documents.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <iterator>

#include "cli/json_output.h"
#include "cli_rig.h"
#include "hex_text.h"
#include "sim/control_line.h"
#include "sim/setup_memory.h"

namespace corvane {
namespace {

using sim::SetupMemory;
using testing::CliRig;
using testing::Lines;
using testing::ScratchFolder;
using Offset = SetupMemory::Offset;

// The one JSON object `text` holds; a test failure when it holds anything else.
QJsonObject Document(const std::string& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n"
                                                     << text;
    EXPECT_TRUE(document.isObject()) << text;
    return document.object();
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Text(const QJsonObject& object, const char* key) {
    return object[key].toString().toStdString();
}

TEST(CliJson, infoCarriesEveryLineOfThePlainOutputUnderItsName) {
    CliRig rig({7});
    ASSERT_EQ(rig.Run({"--address", "7", "info"}), 0) << rig.Err();
    const auto plain = Lines(rig.Out());
    ASSERT_EQ(rig.Run({"--address", "7", "info", "--json"}), 0) << rig.Err();
    const QJsonObject info = Document(rig.Out());
    EXPECT_EQ(info["address"].toInt(), 7);
    for (const std::string& line : plain) {
        const auto colon = line.find(": ");
        const std::string name = line.substr(0, colon);
        if (name == "Device Address") continue;
        const std::string key = cli::JsonKeyOf(name);
        ASSERT_TRUE(info.contains(QString::fromStdString(key))) << key;
        EXPECT_EQ(info[QString::fromStdString(key)].toString().toStdString(),
                  line.substr(colon + 2))
            << key;
    }
    EXPECT_EQ(static_cast<std::size_t>(info.size()), plain.size());  // address for Device Address
    EXPECT_EQ(cli::JsonKeyOf("Output 1 At 4 mA"), "output_1_at_4_ma");
}

TEST(CliJson, monitorPrintsOneObjectAPollWithTheCsvColumnsByName) {
    CliRig rig;
    rig.Sensor().SetStatusBytes({0x01, 0x10, 0, 0, 0});
    ASSERT_EQ(rig.Run({"monitor", "--count", "3", "--json"}), 0) << rig.Err();
    const auto lines = Lines(rig.Out());
    ASSERT_EQ(lines.size(), 3u) << rig.Out();
    for (const std::string& line : lines) {
        const QJsonObject poll = Document(line);
        EXPECT_EQ(poll["address"].toInt(), 0);
        for (const char* key : {"cond_no_tc", "cond_tc", "temperature", "concentration",
                                "output1_mA", "output2_mA"}) {
            EXPECT_TRUE(poll[key].isDouble()) << key << " in " << line;
        }
        EXPECT_FALSE(Text(poll, "time").empty());
        EXPECT_FALSE(Text(poll, "temperature_unit").empty());
        const QJsonArray status = poll["status"].toArray();
        ASSERT_EQ(status.size(), 2) << line;
        EXPECT_EQ(status[0].toString().toStdString(), "Msg 12..Cond Over-rng");
    }
    EXPECT_EQ(rig.Run({"monitor", "--csv", "--json"}), 2);
}

TEST(CliJson, scanListsTheAddressesFoundEvenWhenNoneAnswered) {
    CliRig rig({0, 3});
    ASSERT_EQ(rig.Run({"scan", "--to", "5", "--json"}), 0) << rig.Err();
    const QJsonObject scan = Document(rig.Out());
    EXPECT_EQ(scan["from"].toInt(), 0);
    EXPECT_EQ(scan["to"].toInt(), 5);
    EXPECT_EQ(scan["found"].toArray(), (QJsonArray{0, 3}));

    EXPECT_EQ(rig.Run({"scan", "--from", "10", "--to", "12", "--json"}), 1);
    EXPECT_EQ(Document(rig.Out())["found"].toArray(), QJsonArray{});
}

TEST(CliJson, theSetupCommandsDownloadAndSetAddressSayWhatTheyDid) {
    CliRig rig({0, 5});
    rig.Sensor(1).Memory().SetWord(Offset::Slope, 350);
    ScratchFolder folder;
    const std::string file = folder.Path("tank.QCF");
    ASSERT_EQ(rig.Run({"read-setup", file, "--json"}), 0) << rig.Err();
    QJsonObject read = Document(rig.Out());
    EXPECT_EQ(read["address"].toInt(), 0);
    EXPECT_EQ(Text(read, "file"), file);
    EXPECT_EQ(rig.Run({"read-setup", "-", "--json"}), 2);  // the file itself goes there

    ASSERT_EQ(rig.Run({"--address", "5", "write-setup", file, "--yes", "--json"}), 0) << rig.Err();
    const QJsonObject written = Document(rig.Out());
    EXPECT_EQ(written["address"].toInt(), 5);
    EXPECT_TRUE(written["written"].toBool());
    const QJsonArray changes = written["changes"].toArray();
    ASSERT_EQ(changes.size(), 1) << rig.Out();
    EXPECT_EQ(Text(changes[0].toObject(), "field"), "Temperature Compensation Slope");
    EXPECT_EQ(Text(changes[0].toObject(), "old"), "3.50 % / °C");
    EXPECT_EQ(Text(changes[0].toObject(), "new"), "2.00 % / °C");

    rig.Type("n");
    ASSERT_EQ(rig.Run({"write-setup", file, "--json"}), 0) << rig.Err();
    const QJsonObject declined = Document(rig.Out());
    EXPECT_FALSE(declined["written"].toBool());
    EXPECT_EQ(declined["changes"].toArray(), QJsonArray{});

    const std::string image =
        folder.Write("new.hex", testing::HexText(testing::PatternImage(8, 16)));
    rig.Sensor().SetImageIssue({0x03, 0x01, 0x23});
    ASSERT_EQ(rig.Run({"download", image, "--yes", "--json"}), 0) << rig.Err();
    const QJsonObject download = Document(rig.Out());
    EXPECT_EQ(download["blocks"].toInt(), 8);
    EXPECT_EQ(download["bytes"].toInt(), 128);
    EXPECT_FALSE(download["install"].toBool());
    EXPECT_TRUE(download["sent"].toBool());
    EXPECT_EQ(Text(download, "issue_after"), "3.0123");
    EXPECT_FALSE(Text(download, "issue_before").empty());
    EXPECT_TRUE(Contains(rig.Err(), "% (block")) << "the progress stays on standard error";

    ASSERT_EQ(rig.Run({"--address", "5", "set-address", "9", "--json"}), 0) << rig.Err();
    const QJsonObject moved = Document(rig.Out());
    EXPECT_EQ(moved["old"].toInt(), 5);
    EXPECT_EQ(moved["new"].toInt(), 9);

    // A failure prints no document: the message on standard error says why.
    rig.Sensor(0).Faults().silent = true;
    EXPECT_EQ(rig.Run({"info", "--json"}), 1);
    EXPECT_TRUE(rig.Out().empty()) << rig.Out();
}

TEST(CliJson, calibrateGivesItsLinesAndItsVerdict) {
    CliRig rig;
    rig.Sensor().Apply(sim::ControlLine{sim::ControlLine::Kind::Reference, 92.5});
    ASSERT_EQ(rig.Run({"calibrate", "conductivity", "92.5", "--no-adjust", "--json"}), 0)
        << rig.Err();
    const QJsonObject calibration = Document(rig.Out());
    EXPECT_EQ(Text(calibration, "quantity"), "conductivity");
    EXPECT_DOUBLE_EQ(calibration["reference"].toDouble(), 92.5);
    EXPECT_EQ(Text(calibration, "verdict"), "PASS");
    const QJsonArray lines = calibration["lines"].toArray();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].toString().startsWith("As found: ")) << rig.Out();

    // Asked, the operator sees the reading the question is about on standard error.
    rig.Type("n");
    ASSERT_EQ(rig.Run({"calibrate", "conductivity", "92.5", "--json"}), 0) << rig.Err();
    EXPECT_TRUE(Contains(rig.Err(), "As found: ")) << rig.Err();
    EXPECT_EQ(Text(Document(rig.Out()), "verdict"), "PASS");
}

}  // namespace
}  // namespace corvane
