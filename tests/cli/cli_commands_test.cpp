#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli_rig.h"
#include "hex_text.h"
#include "link/command_table.h"
#include "setup/config_file.h"
#include "sim/setup_memory.h"

namespace corvane {
namespace {

using sim::SetupMemory;
using testing::CliRig;
using testing::Lines;
using testing::ScratchFolder;
using Offset = SetupMemory::Offset;

// The info lines from "Temperature Unit" on: the setup a configuration file holds, without the
// sensor's identity, plant number and history.
std::vector<std::string> SetupLines(CliRig& rig, int address) {
    EXPECT_EQ(rig.Run({"--address", std::to_string(address), "info"}), 0) << rig.Err();
    auto lines = Lines(rig.Out());
    const auto plant = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.starts_with("Temperature Unit: ");
    });
    return {plant, lines.end()};
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(CliSetup, readSetupThenWriteSetupGivesASecondSensorTheSameSetup) {
    CliRig rig({0, 5});
    SetupMemory& second = rig.Sensor(1).Memory();
    second.SetWord(Offset::Slope, 350);  // 3.50 % / °C
    second.SetByte(Offset::Out1Filter, 3);
    second.SetWord(Offset::Out2Range + 2, 5000);
    ASSERT_NE(SetupLines(rig, 0), SetupLines(rig, 5));

    ScratchFolder folder;
    const std::string file = folder.Path("tank.QCF");
    ASSERT_EQ(rig.Run({"read-setup", file}), 0) << rig.Err();
    SharedRecords loaded;
    std::string error;
    ASSERT_EQ(LoadConfigFile(file, loaded, error), LoadOutcome::Loaded) << error;

    rig.Type("y");
    ASSERT_EQ(rig.Run({"--address", "5", "write-setup", file}), 0) << rig.Err();
    const std::string out = rig.Out();
    EXPECT_TRUE(Contains(out, "Temperature Compensation Slope: 3.50 % / °C -> 2.00 % / °C")) << out;
    EXPECT_TRUE(Contains(out, "Output 1 Averaging: 10 second average -> Off")) << out;
    EXPECT_TRUE(Contains(out, "read back")) << out;
    EXPECT_EQ(SetupLines(rig, 5), SetupLines(rig, 0));

    // Written again, the setup shows no differences (and is written and read back as asked).
    ASSERT_EQ(rig.Run({"--address", "5", "write-setup", file, "--yes"}), 0) << rig.Err();
    EXPECT_TRUE(Contains(rig.Out(), "No differences")) << rig.Out();
    EXPECT_EQ(rig.FramesSent(), 17u + 9u + 17u);  // read, the nine writes, read back
}

// The conventions scripts expect: "-" is standard output for read-setup and standard input for
// write-setup (whose question cannot then be answered, so it needs --yes), --opt=value is
// --opt value, and "--" ends the options.
TEST(CliSetup, aDashIsStandardOutputAndStandardInputAndOptionsTakeTheirValueAfterEquals) {
    CliRig rig({0, 5});
    rig.Sensor(1).Memory().SetWord(Offset::Slope, 350);
    ScratchFolder folder;
    const std::string file = folder.Path("tank.QCF");
    ASSERT_EQ(rig.Run({"read-setup", file}), 0) << rig.Err();
    ASSERT_EQ(rig.Run({"read-setup", "-"}), 0) << rig.Err();
    EXPECT_EQ(rig.Out(), FileText(file));  // the file itself, and nothing else
    EXPECT_TRUE(Contains(rig.Err(), "written to standard output")) << rig.Err();

    EXPECT_EQ(rig.Run({"--address=5", "write-setup", "-"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "give --yes")) << rig.Err();
    rig.Input(FileText(file));
    ASSERT_EQ(rig.Run({"--address=5", "--timeout-ms=300", "write-setup", "-", "--yes"}), 0)
        << rig.Err();
    EXPECT_TRUE(Contains(rig.Out(), "it equals (standard input)")) << rig.Out();
    EXPECT_EQ(SetupLines(rig, 5), SetupLines(rig, 0));

    rig.Input(FileText(file).substr(0, 40));
    EXPECT_EQ(rig.Run({"--address", "5", "write-setup", "-", "--yes"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "(standard input): the file ends in record")) << rig.Err();

    // After "--" a name that begins with a dash is a file.
    const std::string dashed = folder.Path("-dashed.QCF");
    ASSERT_EQ(rig.Run({"read-setup", "--", dashed}), 0) << rig.Err();
    EXPECT_EQ(FileText(dashed), FileText(file));
    ASSERT_TRUE(std::filesystem::exists(dashed));
    EXPECT_EQ(rig.Run({"--trace=yes", "info"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "--trace takes no value")) << rig.Err();
}

// Several sensors are polled in turn; one that stops answering is named once and the others go
// on, and monitor gives up only when none answers.
TEST(CliMonitor, severalAddressesArePolledInTurnAndASilentOneIsNamed) {
    CliRig rig({1, 2, 3});
    ASSERT_EQ(rig.Run({"--address", "1,2,3", "monitor", "--count", "6"}), 0) << rig.Err();
    const auto rows = Lines(rig.Out());
    ASSERT_EQ(rows.size(), 6u) << rig.Out();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].substr(0, 3), std::to_string(i % 3 + 1) + "  ") << rows[i];
    }

    rig.Sensor(1).Faults().silent = true;
    ASSERT_EQ(rig.Run({"--address", "1,2,3", "monitor", "--count", "8"}), 0) << rig.Err();
    for (const std::string& row : Lines(rig.Out())) EXPECT_NE(row.substr(0, 3), "2  ") << row;
    EXPECT_EQ(rig.Err(), "corvane: address 2 did not answer 3 polls in a row\n");

    for (std::size_t i = 0; i < 3; ++i) rig.Sensor(i).Faults().silent = true;
    EXPECT_EQ(rig.Run({"--address", "1,2,3", "monitor"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "(9 polls in a row)")) << rig.Err();
}

TEST(CliSetup, aFileThatCannotBeWrittenWholeSendsNothing) {
    CliRig rig;
    ScratchFolder folder;
    const std::string good = folder.Path("good.QCF");
    ASSERT_EQ(rig.Run({"read-setup", good}), 0) << rig.Err();
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string truncated = folder.Write("cut.QCF", bytes.substr(0, bytes.size() / 2));

    EXPECT_EQ(rig.Run({"write-setup", truncated, "--yes"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "cut.QCF: the file ends in record ")) << rig.Err();
    EXPECT_TRUE(Contains(rig.Err(), " of 70")) << rig.Err();
    EXPECT_EQ(rig.FramesSent(), 0u);

    EXPECT_EQ(rig.Run({"write-setup", folder.Path("missing.QCF"), "--yes"}), 2);
    EXPECT_EQ(rig.FramesSent(), 0u);
}

TEST(CliSetup, theOperatorDecidesBeforeAnythingIsWritten) {
    CliRig rig({0, 5});
    rig.Sensor(1).Memory().SetWord(Offset::Slope, 350);
    ScratchFolder folder;
    const std::string file = folder.Path("tank.QCF");
    ASSERT_EQ(rig.Run({"read-setup", file}), 0) << rig.Err();

    rig.Type("n");
    EXPECT_EQ(rig.Run({"--address", "5", "write-setup", file}), 0);
    EXPECT_TRUE(Contains(rig.Out(), "Nothing was written")) << rig.Out();
    // The question goes with the errors, so that a results file holds only results.
    EXPECT_TRUE(Contains(rig.Err(), "Write the setup of ")) << rig.Err();
    EXPECT_FALSE(Contains(rig.Out(), "[y/N]")) << rig.Out();
    // Without an answer (standard input at its end) nothing is written either.
    EXPECT_EQ(rig.Run({"--address", "5", "write-setup", file}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "--yes")) << rig.Err();
    EXPECT_EQ(rig.Sensor(1).Memory().Word(Offset::Slope), 350);
}

TEST(CliSetup, aValueTheSensorKeepsDifferentlyExits3NamingTheField) {
    CliRig rig;
    ScratchFolder folder;
    SharedRecords setup;
    setup.Sensor.Out1.At20mA = 7000;  // kept in tenths by the sensor: more than it can hold
    std::string error;
    const std::string file = folder.Path("big.QCF");
    ASSERT_TRUE(SaveConfigFile(file, setup, error)) << error;

    EXPECT_EQ(rig.Run({"write-setup", file, "--yes"}), 3);
    EXPECT_TRUE(Contains(rig.Err(), "Output 1 20 mA Value")) << rig.Err();
}

// A file's text longer than the sensor keeps is refused before anything goes out: the sensor
// would keep only its first 33 characters, and the record and "same as the file" would be wrong.
TEST(CliSetup, aTextLongerThanTheSensorKeepsIsRefusedBeforeWriting) {
    CliRig rig;
    ScratchFolder folder;
    SharedRecords setup;
    setup.Sensor.CustomRangeText = std::string(600, 'x');
    std::string error;
    const std::string file = folder.Path("long.QCF");
    ASSERT_TRUE(SaveConfigFile(file, setup, error)) << error;
    const std::size_t writesBefore = rig.Line().Written().size();

    EXPECT_EQ(rig.Run({"write-setup", file, "--yes"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "Custom range text of 600 characters (at most 33)"))
        << rig.Err();
    EXPECT_TRUE(Contains(rig.Err(), "Nothing was sent")) << rig.Err();
    EXPECT_EQ(rig.Line().Written().size(), writesBefore);
}

// A sensor whose setup differs from the file saved from it in its slope (3.50 % / °C).
std::string FileAndADifferentSensor(CliRig& rig, ScratchFolder& folder) {
    const std::string file = folder.Path("tank.QCF");
    EXPECT_EQ(rig.Run({"read-setup", file}), 0) << rig.Err();
    rig.Sensor().Memory().SetWord(Offset::Slope, 350);
    return file;
}

TEST(CliSetup, lostRepliesToTheWritesAreWrittenAgainOrTheWritesThatWentThroughAreNamed) {
    int written = 0;
    constexpr int kRuns = 12;
    for (int seed = 1; seed <= kRuns; ++seed) {
        CliRig rig;
        ScratchFolder folder;
        const std::string file = FileAndADifferentSensor(rig, folder);
        rig.Sensor().Faults().dropProbability = 0.15;
        rig.Sensor().Faults().seed = static_cast<std::uint32_t>(seed);
        const int status = rig.Run({"write-setup", file, "--yes"});
        const std::string err = rig.Err();
        if (status == 0) {
            ++written;
            EXPECT_NE(rig.Sensor().Memory().Word(Offset::Slope), 350) << "seed " << seed;
        } else if (status == cli::kPartlyWritten) {
            EXPECT_TRUE(Contains(err, "may hold part of the new setup")) << err;
            EXPECT_TRUE(Contains(err, ". Written: ")) << err;
        } else {
            // Only a reading can fail whole: before anything was sent, or after all was written.
            EXPECT_EQ(status, 1) << "seed " << seed << ": " << err;
            EXPECT_TRUE(Contains(err, "while reading the setup back") ||
                        Contains(err, "setup data block"))
                << "seed " << seed << ": " << err;
        }
    }
    EXPECT_GE(written, kRuns - 2);
}

TEST(CliSetup, ctrlCDuringTheWritesLetsThemFinishASecondStopsAtOnceNamingWhatWasWritten) {
    constexpr int kReadChecks = 17;  // one per data block of the reading before the writes
    {
        CliRig rig;
        ScratchFolder folder;
        const std::string file = FileAndADifferentSensor(rig, folder);
        rig.InterruptAfter(kReadChecks + 3);
        EXPECT_EQ(rig.Run({"write-setup", file, "--yes"}), 1);
        EXPECT_TRUE(Contains(rig.Err(), "interrupted after the whole setup was written"))
            << rig.Err();
        EXPECT_EQ(rig.FramesSent(), 17u + 9u);
        EXPECT_NE(rig.Sensor().Memory().Word(Offset::Slope), 350);
    }
    {
        CliRig rig;
        ScratchFolder folder;
        const std::string file = FileAndADifferentSensor(rig, folder);
        rig.InterruptAfter(kReadChecks + 3, 2);
        EXPECT_EQ(rig.Run({"write-setup", file, "--yes"}), cli::kPartlyWritten);
        EXPECT_TRUE(Contains(rig.Err(),
                             "Written: temperature setup, current output 1, current output 2. "
                             "Not sent: digital output, custom range concentrations"))
            << rig.Err();
        EXPECT_EQ(rig.FramesSent(), 17u + 3u);
        EXPECT_NE(rig.Sensor().Memory().Word(Offset::Slope), 350);
    }
    {
        // Before the first write, a second Ctrl-C leaves the sensor as it was.
        CliRig rig;
        ScratchFolder folder;
        const std::string file = FileAndADifferentSensor(rig, folder);
        rig.InterruptAfter(kReadChecks, 2);
        EXPECT_EQ(rig.Run({"write-setup", file, "--yes"}), 1);
        EXPECT_TRUE(Contains(rig.Err(), "nothing was written")) << rig.Err();
        EXPECT_EQ(rig.Sensor().Memory().Word(Offset::Slope), 350);
    }
}

TEST(CliDownload, aSensorThatComesBackWithTheIssueItRanBeforeIsSaidToHaveIt) {
    CliRig rig;
    rig.Sensor().SetImageIssue(rig.Sensor().SoftwareIssue());
    ScratchFolder folder;
    const std::string file =
        folder.Write("same.hex", testing::HexText(testing::PatternImage(8, 16)));
    ASSERT_EQ(rig.Run({"download", file, "--yes"}), 0) << rig.Err();
    EXPECT_TRUE(Contains(rig.Out(),
                         "Software upgraded: issue 2.0137, the same issue the sensor "
                         "ran before the download"))
        << rig.Out();
}

TEST(CliDownload, ctrlCAfterTheLastBlockSaysTheFlashIsWholeAndOnlyTheEndIsMissing) {
    CliRig rig;
    ScratchFolder folder;
    const auto image = testing::PatternImage(40, 16);
    const std::string file = folder.Write("new.hex", testing::HexText(image));
    rig.InterruptAfter(2 + 40);  // the request, the announcement and every block
    EXPECT_EQ(rig.Run({"download", file, "--yes"}), 1);
    EXPECT_TRUE(Contains(rig.Err(),
                         "interrupted after all 40 blocks were written: the flash "
                         "holds the whole image"))
        << rig.Err();
    EXPECT_FALSE(Contains(rig.Err(), "incomplete")) << rig.Err();
    EXPECT_TRUE(rig.Sensor().FlashEquals(testing::AsFlash(image)));
}

TEST(CliDownload, aGoodImageEndsUpInTheSensorsFlashAndItsIssueIsPrinted) {
    CliRig rig;
    rig.Sensor().SetImageIssue({0x03, 0x01, 0x23});
    ScratchFolder folder;
    const auto image = testing::PatternImage(40, 16);
    const std::string file = folder.Write("new.hex", testing::HexText(image));

    ASSERT_EQ(rig.Run({"download", file, "--yes"}), 0) << rig.Err();
    EXPECT_TRUE(rig.Sensor().FlashEquals(testing::AsFlash(image)));
    EXPECT_TRUE(Contains(rig.Out(), "Software upgraded: issue 3.0123")) << rig.Out();
    // The progress goes to standard error, the results alone to standard output.
    const auto lines = Lines(rig.Err());
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return Contains(l, " % (block "); }),
              10);
    EXPECT_FALSE(Contains(rig.Out(), " % (block ")) << rig.Out();

    // An installation is stamped as one.
    ASSERT_EQ(rig.Run({"--operator", "Line 4", "download", file, "--install", "--yes"}), 0)
        << rig.Err();
    EXPECT_TRUE(Contains(rig.Out(), "Software installed: issue 3.0123")) << rig.Out();
    ASSERT_EQ(rig.Run({"info"}), 0);
    EXPECT_TRUE(Contains(rig.Out(), "Installed By: Line 4")) << rig.Out();
}

TEST(CliDownload, aBadImageIsRefusedNamingItsLineAndNothingIsSent) {
    CliRig rig;
    ScratchFolder folder;
    std::string text = testing::HexText(testing::PatternImage(4, 16));
    text[text.find(":10", 20) + 12] ^= 1;  // a digit of the second data record: wrong checksum
    const std::string file = folder.Write("bad.hex", text);

    EXPECT_EQ(rig.Run({"download", file, "--yes"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "bad.hex")) << rig.Err();
    EXPECT_TRUE(Contains(rig.Err(), "Line 3: checksum")) << rig.Err();
    EXPECT_EQ(rig.FramesSent(), 0u);
    EXPECT_TRUE(rig.Sensor().Flash().empty());
}

TEST(CliDownload, aSensorThatStopsAcceptingBlocksEndsTheDownloadWithExit1) {
    CliRig rig;
    rig.Sensor().Faults().rejectBlocks = 1000;
    ScratchFolder folder;
    const std::string file =
        folder.Write("new.hex", testing::HexText(testing::PatternImage(4, 16)));

    EXPECT_EQ(rig.Run({"download", file, "--yes"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "download failed")) << rig.Err();
    EXPECT_FALSE(Contains(rig.Err(), "Msg ")) << "an internal status line: " << rig.Err();
}

TEST(CliDownload, aSilentOrRefusingSensorEndsTheDownloadRequestWithExit1) {
    ScratchFolder folder;
    const std::string file =
        folder.Write("new.hex", testing::HexText(testing::PatternImage(4, 16)));
    for (const bool silent : {true, false}) {
        CliRig rig;
        rig.Sensor().Faults().silent = silent;
        rig.Sensor().Faults().exceptionReplies = !silent;
        EXPECT_EQ(rig.Run({"download", file, "--yes"}), 1) << silent;
        EXPECT_TRUE(Contains(rig.Err(), "the software download request")) << rig.Err();
        EXPECT_TRUE(Contains(rig.Err(), "(5 attempts); nothing was written")) << rig.Err();
    }
}

TEST(CliDownload, ctrlCStopsTheDownloadAndSaysWhatTheSensorIsLeftWith) {
    CliRig rig;
    ScratchFolder folder;
    const std::string file =
        folder.Write("new.hex", testing::HexText(testing::PatternImage(40, 16)));
    rig.InterruptAfter(12);  // exchanges: request, announcement, then blocks
    EXPECT_EQ(rig.Run({"download", file, "--yes"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "interrupted while downloading block ")) << rig.Err();
    EXPECT_TRUE(Contains(rig.Err(), "incomplete image")) << rig.Err();
}

TEST(CliScan, findsTheSensorsAtTheEndsAndInTheMiddle) {
    CliRig rig({0, 37, 247});
    const auto started = rig.Clock().Now();
    ASSERT_EQ(rig.Run({"scan"}), 0) << rig.Err();
    EXPECT_EQ(Lines(rig.Out()), (std::vector<std::string>{"0", "37", "247"}));
    EXPECT_TRUE(Contains(rig.Err(), "3 sensors answered")) << rig.Err();
    // Each silent address costs the probe's line time and what a prompt sensor needs to
    // answer: the line times of probe and reply and the sensor's turn round.
    const auto elapsed = rig.Clock().Now() - started;
    EXPECT_LT(elapsed, 245 * 26 * fw::kMillisecond);
    EXPECT_GT(elapsed, 245 * 20 * fw::kMillisecond);

    ASSERT_EQ(rig.Run({"scan", "--from", "30", "--to", "40", "--timeout-ms", "20"}), 0);
    EXPECT_EQ(Lines(rig.Out()), (std::vector<std::string>{"37"}));
}

// The probe time-out follows the line: a sensor that answers too late for its probe is still
// found from its late answer, and raises the time-out for the addresses after it; the last
// address behind a slow device server needs --timeout-ms.
TEST(CliScan, theProbeTimeOutFollowsTheSlowestAnswerOrTheOptionForASlowGateway) {
    CliRig rig({3, 9});
    for (const int delayMs : {30, 150}) {
        rig.Sensor(0).Faults().replyDelayUs = delayMs * 1000;
        rig.Sensor(1).Faults().replyDelayUs = delayMs * 1000;
        ASSERT_EQ(rig.Run({"scan", "--to", "20"}), 0) << rig.Err();
        EXPECT_EQ(Lines(rig.Out()), (std::vector<std::string>{"3", "9"})) << delayMs;
    }
    EXPECT_EQ(rig.Run({"scan", "--from", "9", "--to", "9"}), 1);
    ASSERT_EQ(rig.Run({"scan", "--from", "9", "--to", "9", "--timeout-ms", "300"}), 0);
    EXPECT_EQ(Lines(rig.Out()), (std::vector<std::string>{"9"}));
}

TEST(CliScan, aScanNoSensorAnsweredEndsWithStatus1) {
    CliRig rig({37});
    EXPECT_EQ(rig.Run({"scan", "--from", "0", "--to", "5", "--timeout-ms", "20"}), 1);
    EXPECT_TRUE(rig.Out().empty()) << rig.Out();
    EXPECT_TRUE(Contains(rig.Err(), "scanned addresses 0 to 5: no sensor answered")) << rig.Err();
}

TEST(CliScan, aFailingPortOrCtrlCIsNeverReportedAsAFinishedScan) {
    CliRig rig({0, 37});
    rig.Line().SetOpenFails(true);
    EXPECT_EQ(rig.Run({"scan"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "cannot use the port")) << rig.Err();
    EXPECT_FALSE(Contains(rig.Err(), "scanned")) << rig.Err();

    rig.Line().SetOpenFails(false);
    rig.InterruptAfter(20);
    EXPECT_EQ(rig.Run({"scan"}), 1);
    EXPECT_EQ(Lines(rig.Out()), std::vector<std::string>{"0"});
    EXPECT_TRUE(Contains(rig.Err(), "interrupted at address 20: 1 found from 0 to 19"))
        << rig.Err();
}

// A device that refuses the probe is passed as the desktop tool's search passes it: named on
// standard error, not counted as a sensor found.
TEST(CliScan, aDeviceThatRefusesTheProbeIsNamedButNotFound) {
    CliRig rig({4});
    rig.Sensor().Faults().exceptionReplies = true;
    EXPECT_EQ(rig.Run({"scan", "--to", "6"}), 1) << rig.Err();
    EXPECT_TRUE(rig.Out().empty()) << rig.Out();
    EXPECT_TRUE(Contains(rig.Err(), "address 4 refused the probe with an exception reply"))
        << rig.Err();
}

TEST(CliMonitor, csvGivesAHeaderAndOneRowPerAnsweredPoll) {
    CliRig rig;
    rig.Sensor().SetStatusBytes({0x01, 0x10, 0, 0, 0});
    ASSERT_EQ(rig.Run({"monitor", "--csv", "--count", "5"}), 0) << rig.Err();
    const auto lines = Lines(rig.Out());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0],
              "time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,output2_mA,"
              "status");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), ','), 7) << lines[i];
        EXPECT_TRUE(lines[i].ends_with(",Msg 12..Cond Over-rng;Msg 21..Output 1 > 22 mA"))
            << lines[i];
    }
    // The polls follow each other as fast as the line allows: five in well under a second.
    EXPECT_LT(rig.Clock().Now(), fw::kSecond);
}

TEST(CliLink, aSensorThatStopsAnsweringEndsTheCommandWithExit1AndAMessage) {
    CliRig rig;
    rig.Sensor().Faults().silent = true;
    EXPECT_EQ(rig.Run({"monitor"}), 1);  // no --count: it would poll for ever
    EXPECT_TRUE(Contains(rig.Err(), "no answer to the measurement poll")) << rig.Err();

    EXPECT_EQ(rig.Run({"info"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "no answer to the setup data block request")) << rig.Err();

    rig.Sensor().Faults().silent = false;
    rig.Sensor().Faults().exceptionReplies = true;
    EXPECT_EQ(rig.Run({"info"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "rejected")) << rig.Err();

    rig.Sensor().Faults().exceptionReplies = false;
    rig.Sensor().Faults().badCrc = true;
    EXPECT_EQ(rig.Run({"info"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "frame check")) << rig.Err();
}

TEST(CliLink, aLostReplyToADataBlockIsAskedForAgain) {
    CliRig rig;
    rig.Sensor().Faults().dropProbability = 0.2;
    rig.Sensor().Faults().seed = 7;
    EXPECT_EQ(rig.Run({"info"}), 0) << rig.Err();
    EXPECT_TRUE(Contains(rig.Out(), "Serial Number: ")) << rig.Out();
}

// A sensor behind a device server that answers late: a reply is never taken for the next
// request's, so the setup read is the sensor's own, or the command fails saying so; it never
// ends with status 0 and values nobody read.
TEST(CliLink, aLateReplyIsNeverTakenForTheNextRequestsReply) {
    CliRig rig;
    SetupMemory& memory = rig.Sensor().Memory();
    memory.SetWord(Offset::Slope, 350);
    memory.SetByte(Offset::Out1Filter, 3);
    ScratchFolder folder;
    const std::string prompt = folder.Path("prompt.QCF");
    ASSERT_EQ(rig.Run({"read-setup", prompt}), 0) << rig.Err();
    ASSERT_EQ(rig.Run({"info"}), 0) << rig.Err();
    const std::string promptInfo = rig.Out();

    struct Case {
        int delayMs;
        std::vector<std::string> options;
        bool mustRead;  // the default or the given time-out is long enough
    };
    const std::vector<Case> cases = {
        {150, {}, true},
        {700, {"--timeout-ms", "1500"}, true},
        {700, {}, false},
        {150, {"--timeout-ms", "100"}, false},
        {250, {"--timeout-ms", "100"}, false},  // the reply lands in the third attempt's window
        {450, {"--timeout-ms", "300"}, false},
        {700, {"--timeout-ms", "100"}, false},
        {2500, {}, false},
    };
    int run = 0;
    for (const Case& c : cases) {
        ++run;
        SCOPED_TRACE(std::to_string(c.delayMs) + " ms late, " +
                     (c.options.empty() ? "no option" : "--timeout-ms " + c.options[1]));
        rig.Sensor().Faults().replyDelayUs = c.delayMs * std::int64_t{1000};
        const std::string late = folder.Path("late-" + std::to_string(run) + ".QCF");
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"read-setup", late});
        const int status = rig.Run(args);
        if (c.mustRead) {
            ASSERT_EQ(status, 0) << rig.Err();
        }
        if (status == 0) {
            EXPECT_EQ(FileText(late), FileText(prompt));
        } else {
            EXPECT_EQ(status, 1);
            EXPECT_TRUE(Contains(rig.Err(), "setup data block")) << rig.Err();
            EXPECT_FALSE(std::filesystem::exists(late));
        }
        args = c.options;
        args.push_back("info");
        const int infoStatus = rig.Run(args);
        if (c.mustRead) {
            ASSERT_EQ(infoStatus, 0) << rig.Err();
        }
        if (infoStatus == 0) {
            EXPECT_EQ(rig.Out(), promptInfo);
        } else {
            EXPECT_TRUE(rig.Out().empty()) << rig.Out();
        }
    }
}

// The same request sent again after a time-out goes out at once (a late reply to the first
// attempt answers the same question); the next, different request waits until the second
// attempt's own late reply has passed.
TEST(CliLink, aRequestSentAgainGoesAtOnceAndTheNextOneWaitsOutTheLateReply) {
    CliRig rig;
    rig.Sensor().Faults().silent = true;
    const auto started = rig.Clock().Now();
    EXPECT_EQ(rig.Run({"--timeout-ms", "300", "info"}), 1);
    EXPECT_EQ(rig.FramesSent(), 3u);  // the first block, asked three times
    const auto& times = rig.Line().WriteTimes();
    ASSERT_GE(times.size(), 3u);
    const auto gap = times[times.size() - 1] - times[times.size() - 2];
    EXPECT_GE(gap, 300 * fw::kMillisecond);
    EXPECT_LT(gap, 320 * fw::kMillisecond);
    EXPECT_LT(rig.Clock().Now() - started, fw::kSecond);

    // 450 ms late with a 300 ms time-out: the second attempt takes the first one's reply; its
    // own comes 305 ms later and is dropped before block 1 is asked for.
    rig.Sensor().Faults().silent = false;
    rig.Sensor().Faults().replyDelayUs = 450'000;
    const std::size_t before = rig.Line().WriteTimes().size();
    ASSERT_EQ(rig.Run({"--timeout-ms", "300", "info"}), 0) << rig.Err();
    const auto& sent = rig.Line().WriteTimes();
    ASSERT_GE(sent.size(), before + 3);
    const auto firstAttempt = sent[before];
    const auto secondAttempt = sent[before + 1];
    const auto block1 = sent[before + 2];
    EXPECT_LT(secondAttempt - firstAttempt, 320 * fw::kMillisecond);
    EXPECT_GT(block1 - secondAttempt, 450 * fw::kMillisecond);
}

TEST(CliAddress, setAddressMovesTheSensorAndConfirmsItThere) {
    CliRig rig({3});
    ASSERT_EQ(rig.Run({"--address", "3", "set-address", "12"}), 0) << rig.Err();
    EXPECT_EQ(rig.Sensor().Address(), 12);
    EXPECT_TRUE(Contains(rig.Out(), "now answers at address 12")) << rig.Out();
    EXPECT_EQ(rig.Run({"--address", "3", "info"}), 1);
    EXPECT_EQ(rig.Run({"--address", "12", "info"}), 0);
}

TEST(CliAddress, anAddressAnotherSensorHoldsIsRefused) {
    CliRig rig({3, 12});
    EXPECT_EQ(rig.Run({"--address", "3", "set-address", "12"}), 1);
    EXPECT_TRUE(Contains(rig.Err(), "address 12 is taken")) << rig.Err();
    EXPECT_EQ(rig.Sensor(0).Address(), 3);
}

TEST(CliOutput, resultsThatCannotBeWrittenAreNotReportedAsDone) {
    CliRig rig;
    rig.BreakStandardOutput();
    EXPECT_EQ(rig.Run({"monitor", "--count", "3"}), 2);
    EXPECT_TRUE(Contains(rig.Err(), "cannot write the results")) << rig.Err();
}

// A port that failed is named for what is at its name when that is no device at all; a device
// (or nothing) leaves the failure to say why.
TEST(CliPortFailure, whatIsThereInsteadOfADeviceIsNamed) {
    ScratchFolder folder;
    const PortFailure busy{PortFailureKind::Busy, 1, "", "could not be opened", "busy", ""};
    const std::string file = folder.Write("ttyUSB0", "");
    EXPECT_EQ(cli::PortFailureText(busy, file), "it is a regular file, not a serial device");
    std::filesystem::create_directory(folder.Path("ports"));
    EXPECT_EQ(cli::PortFailureText(busy, folder.Path("ports")),
              "it is a folder, not a serial device");
#ifdef _WIN32
    const char* device = "NUL";
#else
    const char* device = "/dev/null";
#endif
    EXPECT_EQ(cli::PortFailureText(busy, device), "the device is in use by another program");
    const PortFailure missing{PortFailureKind::Missing, 1, "", "could not be opened", "", ""};
    EXPECT_EQ(cli::PortFailureText(missing, folder.Path("ttyUSB9")),
              "no such device; plug in the adapter, or give its device with --port");
}

}  // namespace
}  // namespace corvane
