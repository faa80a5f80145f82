// The corvane program itself, run as a script runs it, against vexor-sim: through the real
// serial port on a pseudo-terminal, and through a TCP connection as to a serial device server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "hex_text.h"
#include "link/serial_port.h"
#include "program_on_simulator.h"
#include "sim/virtual_sensor.h"

namespace corvane {
namespace {

using testing::SimulatorProcess;
using testing::WaitUntil;

using testing::Finished;
using testing::RunCorvane;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

class CorvaneOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) GTEST_SKIP() << "no pseudo-terminals here";
    }
    QString Device() const { return QString::fromStdString(simulator.Link().string()); }
    SimulatorProcess simulator;
};

TEST_F(CorvaneOnTheSimulator, scanFindsTheSensorsAtBothEndsAndBetweenOnARealPort) {
    ASSERT_TRUE(simulator.Start("cli-scan", {"--addresses", "0,37,247"}));
    const Finished scan = RunCorvane({"--port", Device(), "scan", "--timeout-ms", "30"}, 40);
    EXPECT_EQ(scan.status, 0) << scan.err;
    EXPECT_EQ(Lines(scan.out), (std::vector<std::string>{"0", "37", "247"})) << scan.err;
}

TEST_F(CorvaneOnTheSimulator, monitorCsvPrintsAHeaderAndFiveRows) {
    ASSERT_TRUE(simulator.Start("cli-monitor"));
    const Finished monitor = RunCorvane({"--port", Device(), "monitor", "--csv", "--count", "5"});
    ASSERT_EQ(monitor.status, 0) << monitor.err;
    const auto lines = Lines(monitor.out);
    ASSERT_EQ(lines.size(), 6u) << monitor.out;
    EXPECT_EQ(lines[0],
              "time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,output2_mA,status");
    const QRegularExpression row(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d(,-?\d+\.\d+){6},.*$)");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_TRUE(row.match(QString::fromStdString(lines[i])).hasMatch()) << lines[i];
    }
}

TEST_F(CorvaneOnTheSimulator, aSilentSensorGivesExit1AndAMessageNeverAHang) {
    ASSERT_TRUE(simulator.Start("cli-silent", {"--silent"}));
    const Finished monitor = RunCorvane({"--port", Device(), "monitor"}, 10);
    EXPECT_EQ(monitor.status, 1) << monitor.err;
    EXPECT_NE(monitor.err.find("no answer to the measurement poll"), std::string::npos)
        << monitor.err;
}

// Two noise bytes 60 ms after every reply: each command still rides through, as the desktop
// program does, since the noise never reaches the engine in front of a reply.
TEST_F(CorvaneOnTheSimulator, noiseAfterEachReplySpoilsNeitherPollsNorSetupNorDownload) {
    ASSERT_TRUE(simulator.Start("cli-stray", {"--stray-bytes"}));
    const Finished monitor =
        RunCorvane({"--port", Device(), "monitor", "--csv", "--count", "200"}, 60);
    EXPECT_EQ(monitor.status, 0) << monitor.err;
    EXPECT_GE(Lines(monitor.out).size(), 196u) << monitor.err;  // the header and 195 rows

    testing::ScratchFolder folder;
    const std::string setup = folder.Path("stray.QCF");
    const Finished read =
        RunCorvane({"--port", Device(), "read-setup", QString::fromStdString(setup)});
    EXPECT_EQ(read.status, 0) << read.err;
    const Finished write =
        RunCorvane({"--port", Device(), "write-setup", QString::fromStdString(setup), "--yes"}, 40);
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_NE(write.out.find("Setup written and read back"), std::string::npos) << write.out;

    const auto image = testing::PatternImage(48, 32);
    const std::string path = folder.Write("upgrade.hex", testing::HexText(image));
    const Finished download =
        RunCorvane({"--port", Device(), "download", QString::fromStdString(path), "--yes"}, 60);
    ASSERT_EQ(download.status, 0) << download.err;
    const std::string digest = sim::FlashDigestLine(0, sim::DigestOf(testing::AsFlash(image)));
    std::string output;
    EXPECT_TRUE(WaitUntil(
        [&] {
            output += simulator.Process().readAllStandardOutput().toStdString();
            return output.find(digest) != std::string::npos;
        },
        5))
        << output;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Behind a device server that answers 150 ms late the setup is read exactly with no option, and
// 700 ms late with --timeout-ms 1500; it is never read as another block's late reply.
TEST_F(CorvaneOnTheSimulator, readSetupThroughALateAnsweringLineReadsTheSetupExactly) {
    ASSERT_TRUE(simulator.Start("cli-prompt"));
    SimulatorProcess late150;
    ASSERT_TRUE(late150.Start("cli-late150", {"--delay", "150"}));
    SimulatorProcess late700;
    ASSERT_TRUE(late700.Start("cli-late700", {"--delay", "700"}));
    testing::ScratchFolder folder;
    const std::string prompt = folder.Path("prompt.QCF");
    const Finished first =
        RunCorvane({"--port", Device(), "read-setup", QString::fromStdString(prompt)});
    ASSERT_EQ(first.status, 0) << first.err;

    const auto link = [](const SimulatorProcess& sim) {
        return QString::fromStdString(sim.Link().string());
    };
    const std::string at150 = folder.Path("at150.QCF");
    const Finished read150 =
        RunCorvane({"--port", link(late150), "read-setup", QString::fromStdString(at150)}, 30);
    ASSERT_EQ(read150.status, 0) << read150.err;
    EXPECT_EQ(FileText(at150), FileText(prompt));

    const std::string at700 = folder.Path("at700.QCF");
    const Finished read700 = RunCorvane(
        {"--port", link(late700), "--timeout-ms=1500", "read-setup", QString::fromStdString(at700)},
        60);
    ASSERT_EQ(read700.status, 0) << read700.err;
    EXPECT_EQ(FileText(at700), FileText(prompt));
}

// The fields of a CSV row.
std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const auto comma = row.find(',', start);
        fields.push_back(row.substr(start, comma - start));
        if (comma == std::string::npos) return fields;
        start = comma + 1;
    }
}

// Three sensors on one line, polled in turn: each row names the address that answered, in the
// order given, and carries that sensor's own readings (each virtual sensor sits in a liquid of
// its own, 48 mS/cm and 10 more for each step of its address). One address keeps the format
// without the address column.
TEST_F(CorvaneOnTheSimulator, monitorOfSeveralAddressesPutsEachSensorsReadingsUnderItsAddress) {
    ASSERT_TRUE(simulator.Start("cli-several", {"--addresses", "1,2,3"}));
    const Finished monitor =
        RunCorvane({"--port", Device(), "--address", "1,2,3", "monitor", "--count", "9", "--csv"});
    ASSERT_EQ(monitor.status, 0) << monitor.err;
    const auto lines = Lines(monitor.out);
    ASSERT_EQ(lines.size(), 10u) << monitor.out;
    EXPECT_EQ(lines[0],
              "address,time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,"
              "output2_mA,status");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Fields(lines[i]);
        ASSERT_EQ(fields.size(), 9u) << lines[i];
        const int address = static_cast<int>((i - 1) % 3) + 1;
        EXPECT_EQ(fields[0], std::to_string(address)) << lines[i];
        EXPECT_NEAR(std::stod(fields[3]), 48.0 + 10.0 * address, 3.0) << lines[i];
    }

    const Finished one =
        RunCorvane({"--port", Device(), "--address", "2", "monitor", "--count", "2", "--csv"});
    ASSERT_EQ(one.status, 0) << one.err;
    const auto oneLines = Lines(one.out);
    ASSERT_EQ(oneLines.size(), 3u) << one.out;
    EXPECT_EQ(oneLines[0],
              "time,cond_no_tc,cond_tc,temperature,concentration,output1_mA,output2_mA,status");
    const QRegularExpression row(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d(,-?\d+\.\d+){6},.*$)");
    EXPECT_TRUE(row.match(QString::fromStdString(oneLines[1])).hasMatch()) << oneLines[1];
    EXPECT_NEAR(std::stod(Fields(oneLines[1])[2]), 68.0, 3.0) << oneLines[1];

    const Finished plain =
        RunCorvane({"--port", Device(), "--address", "3,1", "monitor", "--count", "2"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const auto plainLines = Lines(plain.out);
    ASSERT_EQ(plainLines.size(), 2u) << plain.out;
    EXPECT_EQ(plainLines[0].substr(0, 3), "3  ") << plainLines[0];
    EXPECT_EQ(plainLines[1].substr(0, 3), "1  ") << plainLines[1];
}

// Why a port could not be used, as corvane says it for the failures a technician meets.
TEST(CorvanePortFailures, aMissingDeviceSaysToPlugItInOrGiveAnother) {
    const Finished info = RunCorvane({"--port", "/dev/corvane-no-such-port", "info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.err,
              "corvane: cannot use the port /dev/corvane-no-such-port: no such device; plug in "
              "the adapter, or give its device with --port\n");
}

// Starts `corvane monitor` on `device`; true once its first reading is in.
bool StartMonitor(QProcess& monitor, const QString& device) {
    monitor.start(CORVANE_PROGRAM, {"--port", device, "monitor"});
    return WaitUntil([&] { return monitor.canReadLine(); }, 10);
}

TEST_F(CorvaneOnTheSimulator, aDeviceAnotherProgramHoldsIsCalledInUse) {
    ASSERT_TRUE(simulator.Start("cli-busy"));
    QProcess holder;
    ASSERT_TRUE(StartMonitor(holder, Device())) << "the first copy polls";
    const Finished second = RunCorvane({"--port", Device(), "info"});
    const auto pid = holder.processId();
    holder.terminate();
    holder.waitForFinished(5000);
    EXPECT_EQ(second.status, 1);
    // The programs that hold it are named with their process ids: the first corvane (and
    // vexor-sim, which keeps the terminal's device open itself).
    const std::string said = "corvane: cannot use the port " + Device().toStdString() +
                             ": the device is in use by another program (";
    EXPECT_EQ(second.err.substr(0, said.size()), said) << second.err;
    EXPECT_NE(second.err.find("corvane, PID " + std::to_string(pid)), std::string::npos)
        << second.err;
}

TEST_F(CorvaneOnTheSimulator, aDeviceThatGoesAwayWhileInUseIsCalledGone) {
    ASSERT_TRUE(simulator.Start("cli-gone"));
    QProcess monitor;
    ASSERT_TRUE(StartMonitor(monitor, Device())) << "corvane polls";
    simulator.Stop();  // the other end of the line hangs up
    ASSERT_TRUE(monitor.waitForFinished(10000)) << "corvane ends when the device is gone";
    EXPECT_EQ(monitor.exitCode(), 1);
    const std::string err = monitor.readAllStandardError().toStdString();
    EXPECT_EQ(err, "corvane: cannot use the port " + Device().toStdString() + ": " +
                       CSerialPort::kGoneText + "\n");
}

// A device this user may not open, tried as the unprivileged user `nobody` (the superuser opens
// any device): the advice names the dialout group.
TEST_F(CorvaneOnTheSimulator, aDeviceThisUserMayNotOpenGetsTheDialoutAdvice) {
    if (::geteuid() != 0) GTEST_SKIP() << "runuser needs the superuser";
    if (!std::filesystem::exists("/usr/sbin/runuser") &&
        !std::filesystem::exists("/sbin/runuser")) {
        GTEST_SKIP() << "no runuser here";
    }
    ASSERT_TRUE(simulator.Start("cli-forbidden"));
    ASSERT_EQ(::chmod(simulator.Link().c_str(), 0600), 0);  // the pseudo-terminal itself
    QProcess process;
    process.start("runuser", {"-u", "nobody", "--", CORVANE_PROGRAM, "--port", Device(), "info"});
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 1);
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_NE(err.find("corvane: cannot use the port " + Device().toStdString() + ": " +
                       CSerialPort::kPermissionText + "\n"),
              std::string::npos)
        << err;
}

TEST(CorvaneOnAPort, aPortThatIsAFileAPipeOrAFolderIsNamedForWhatItIs) {
    testing::ScratchFolder folder;
    const std::string file = folder.Write("not-a-port", "");
    const std::string pipe = folder.Path("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string dir = folder.Path("");
    for (const auto& [path, what] : {std::pair{file, "a regular file"},
                                     std::pair{pipe, "a named pipe"}, std::pair{dir, "a folder"}}) {
        const Finished info = RunCorvane({"--port", QString::fromStdString(path), "info"});
        EXPECT_EQ(info.status, 1) << path;
        EXPECT_NE(info.err.find(std::string("it is ") + what + ", not a serial device"),
                  std::string::npos)
            << info.err;
    }

    // vexor-sim takes no path that holds something other than its own link.
    QProcess simulator;
    simulator.start(VEXOR_SIM_PROGRAM, {"--link", QString::fromStdString(file)});
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 1);
    EXPECT_NE(simulator.readAllStandardError().toStdString().find("it is a file"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

// vexor-sim serving on a free loopback TCP port, as a serial device server serves its line.
class CorvaneThroughADeviceServer : public ::testing::Test {
  protected:
    void SetUp() override {
        simulator_.setProcessChannelMode(QProcess::SeparateChannels);
        simulator_.start(VEXOR_SIM_PROGRAM, {"--tcp", "0"});
        ASSERT_TRUE(simulator_.waitForStarted(5000));
        const QRegularExpression served("on (tcp://127\\.0\\.0\\.1:\\d+)");
        ASSERT_TRUE(WaitUntil(
            [&] {
                output_ += simulator_.readAllStandardOutput().toStdString();
                const auto match = served.match(QString::fromStdString(output_));
                if (match.hasMatch()) address_ = match.captured(1);
                return !address_.isEmpty();
            },
            5))
            << output_;
    }
    void TearDown() override {
        simulator_.terminate();
        simulator_.waitForFinished(5000);
    }
    std::string SimulatorOutput() {
        output_ += simulator_.readAllStandardOutput().toStdString();
        return output_;
    }

    QProcess simulator_;
    std::string output_;
    QString address_;
};

TEST_F(CorvaneThroughADeviceServer, infoAndDownloadTravelOverTcp) {
    const Finished info = RunCorvane({"--port", address_, "info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Serial Number: VX0100"), std::string::npos) << info.out;

    const auto image = testing::PatternImage(64, 16);
    testing::ScratchFolder folder;
    const std::string path = folder.Write("upgrade.hex", testing::HexText(image));
    const Finished download =
        RunCorvane({"--port", address_, "download", QString::fromStdString(path), "--yes"}, 40);
    ASSERT_EQ(download.status, 0) << download.err;
    EXPECT_NE(download.out.find("Software upgraded: issue "), std::string::npos) << download.out;
    const std::string digest = sim::FlashDigestLine(0, sim::DigestOf(testing::AsFlash(image)));
    EXPECT_TRUE(WaitUntil([&] { return SimulatorOutput().find(digest) != std::string::npos; }, 5))
        << SimulatorOutput();
}

TEST(CorvaneThroughADeviceServerThatIsNotThere, aRefusedConnectionGivesExit1) {
    const Finished info = RunCorvane({"--port", "tcp://127.0.0.1:1", "info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("refused"), std::string::npos) << info.err;
}

}  // namespace
}  // namespace corvane
