#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/link_machine_access.h"
#include "link/sensor_link.h"
#include "link/serial_port.h"
#include "link/shared_records.h"
#include "program_on_simulator.h"
#include "sim/pty_server.h"

namespace corvane {
namespace {

using testing::WaitUntil;

// The sensor link on the real serial port, opening COM1 as `link`, in real time.
class RealPortRig : public ::testing::Test {
  protected:
    void ConnectEngine() {
        PortMap ports;
        ports.Set(1, link.string());
        port = std::make_unique<CSerialPort>(host, ports);
        timer = host.CreateTimer([this] { sensorLink->Tick(); });
        sensorLink = std::make_unique<SensorLink>(records, *port, host, host, *timer);
        ResetSensorData(records);
        timer->Start(CommandEngine::kTickMs);
    }

    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    fw::RealTimePump pump{clock};
    std::filesystem::path link;
    SharedRecords records;
    std::unique_ptr<CSerialPort> port;
    std::unique_ptr<fw::Timer> timer;
    std::unique_ptr<SensorLink> sensorLink;
};

// Against virtual sensors served from this process on a pseudo-terminal.
class SerialPortEndToEnd : public RealPortRig {
  protected:
    void SetUp() override {
        link = std::filesystem::temp_directory_path() / ("vexor-e2e-" + std::to_string(::getpid()));
        if (!testing::PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        StartSensor();
        ConnectEngine();
    }

    void StartSensor() {
        sim::PtyServer::Options options;
        options.linkPath = link.string();
        server = std::make_unique<sim::PtyServer>(options);
        std::string error;
        ASSERT_TRUE(server->Start(error)) << error;
        server->RunInThread();
    }

    std::unique_ptr<sim::PtyServer> server;
};

TEST_F(SerialPortEndToEnd, readingsArriveThroughTheRealPort) {
    ASSERT_TRUE(WaitUntil([&] { return records.Sensor.CondComp > 40.0; }, 5));
    EXPECT_TRUE(records.Engine().SensorAnswering);
    EXPECT_TRUE(port->IsOpen());
    EXPECT_NEAR(records.Sensor.Temperature, 22.0, 2.0);
    EXPECT_TRUE(host.Boxes().empty());

    Machine(records).UploadBlock = 0;
    Machine(records).Queue.Queue(20);
    ASSERT_TRUE(WaitUntil([&] { return records.Sensor.PlantNumber == "TANK-0"; }, 10));
    EXPECT_EQ(records.Sensor.SerialNumber, "VX0100");
}

TEST_F(SerialPortEndToEnd, linkRecoversWhenTheSimulatorIsRestarted) {
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 1; }, 5));
    server.reset();  // the simulator goes away: the terminal hangs up
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 0; }, 8));
    StartSensor();
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 1; }, 10));
    EXPECT_GT(records.Sensor.CondComp, 40.0);
    EXPECT_LE(host.Boxes().size(), 2u)
        << "an outage is reported once, not at every write: " << host.Boxes().front().box.text
        << " / " << host.Boxes().back().box.text;
    for (const auto& shown : host.Boxes()) {
        EXPECT_EQ(shown.box.caption, "Corvane Comms Error");
    }
}

// The same against the vexor-sim program itself, stopped and started again as a technician would.
class VexorSimProgram : public RealPortRig {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable())
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        link = std::filesystem::temp_directory_path() /
               ("vexor-sim-e2e-" + std::to_string(::getpid()));
        ASSERT_TRUE(StartSimulator());
        ConnectEngine();
    }
    void TearDown() override { StopSimulator(); }

    bool StartSimulator() {
        simulator = std::make_unique<QProcess>();
        simulator->start(VEXOR_SIM_PROGRAM,
                         {"--addresses", "0,3", "--link", QString::fromStdString(link.string())});
        if (!simulator->waitForStarted(5000)) return false;
        // The program prints the device to use once it serves.
        return WaitUntil(
            [&] {
                output += simulator->readAllStandardOutput().toStdString();
                return output.find("Connect with: corvane-control-centre --com1 " +
                                   link.string()) != std::string::npos;
            },
            5);
    }
    void StopSimulator() {
        if (!simulator) return;
        simulator->terminate();  // SIGTERM: the simulator stops and removes its link
        simulator->waitForFinished(5000);
        simulator.reset();
    }

    std::unique_ptr<QProcess> simulator;
    std::string output;
};

// Sensors none of which is at address 0, where the desktop tool starts, come with the hint of
// how to reach them; with one at address 0 there is nothing to say.
TEST(VexorSimStart, saysWhenNoSensorAnswersAtAddressZero) {
    if (!testing::PseudoTerminalsAvailable())
        GTEST_SKIP() << "this system gives no pseudo-terminals";
    for (const char* addresses : {"4,5", "5,0"}) {
        SCOPED_TRACE(addresses);
        QProcess simulator;
        simulator.start(VEXOR_SIM_PROGRAM, {"--addresses", addresses});
        ASSERT_TRUE(simulator.waitForStarted(5000));
        std::string output;
        ASSERT_TRUE(WaitUntil(
            [&] {
                output += simulator.readAllStandardOutput().toStdString();
                return output.find("Connect with") != std::string::npos;
            },
            5));
        simulator.waitForReadyRead(300);
        output += simulator.readAllStandardOutput().toStdString();
        const bool hint = output.find("No sensor answers at address 0") != std::string::npos;
        EXPECT_EQ(hint, std::string(addresses) == "4,5") << output;
        if (hint) {
            EXPECT_NE(output.find("corvane takes --address 4"), std::string::npos) << output;
        }
        simulator.terminate();
        simulator.waitForFinished(5000);
    }
}

TEST_F(VexorSimProgram, readingsArriveAndTheLinkRecoversAfterARestart) {
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 1; }, 5)) << output;
    records.Sensor.DeviceId = 3;
    ASSERT_TRUE(WaitUntil([&] { return records.Sensor.CondComp > 40.0; }, 5));
    StopSimulator();
    EXPECT_FALSE(std::filesystem::exists(link)) << "the simulator removes its link when it stops";
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 0; }, 8));
    output.clear();
    ASSERT_TRUE(StartSimulator());
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering == 1; }, 10));
    EXPECT_EQ(records.Sensor.DeviceId, 3);
}

// SIGINT (Ctrl-C) and SIGTERM end the program while the engine is talking to it, with exit
// code 0 and its link removed.
class VexorSimStopSignal : public VexorSimProgram, public ::testing::WithParamInterface<int> {};

TEST_P(VexorSimStopSignal, endsTheProgramCleanlyWhileItServes) {
    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering; }, 5)) << output;
    ASSERT_EQ(::kill(static_cast<pid_t>(simulator->processId()), GetParam()), 0);
    ASSERT_TRUE(simulator->waitForFinished(5000)) << "the simulator goes on after the signal";
    EXPECT_EQ(simulator->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(simulator->exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(link)) << "the simulator removes its link when it stops";
}

INSTANTIATE_TEST_SUITE_P(Signals, VexorSimStopSignal, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& signal) {
                             return std::string(signal.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

TEST(SerialPortOpen, missingDeviceIsReportedOnceWithTheSystemsReason) {
    fw::VirtualClock clock;
    fw::HeadlessHost host(clock);
    PortMap ports;
    ports.Set(2, "/dev/does-not-exist-vexor");
    CSerialPort port(host, ports);
    struct Sink : ByteReceiver {
        void OnSerialByte(std::uint8_t, int) override {}
    } sink;
    EXPECT_FALSE(port.Open(PortSettings{2, 9600, 'N', 8, 1}, sink));
    clock.RunFor(1);
    ASSERT_EQ(host.Boxes().size(), 1u);
    const auto& box = host.Boxes()[0].box;
    EXPECT_EQ(box.caption, "Corvane Comms Error");
    EXPECT_EQ(box.icon, fw::Icon::Stop);
    EXPECT_EQ(box.text,
              "The serial port COM2 (/dev/does-not-exist-vexor) could not be opened.\nReason: " +
                  std::string(CSerialPort::kMissingText));

    // The requests that follow find the device still missing: the outage has its one box.
    const std::uint8_t request[] = {0, 0x35, 0, 0};
    for (int i = 0; i < 5; ++i) port.Write(request);
    clock.RunFor(1);
    EXPECT_EQ(host.Boxes().size(), 1u);
}

TEST(SerialPortNames, defaultsAndCommandLineDevices) {
    PortMap ports;
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyUSB0");
    EXPECT_EQ(ports.DeviceFor(2), "/dev/ttyUSB1");
    ports.Set(1, "/dev/ttyS0");
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(CSerialPort::ErrorText("failed while sending a request", "/dev/ttyUSB0",
                                     "Input/output error", 1),
              "The serial port COM1 (/dev/ttyUSB0) failed while sending a request.\nReason: "
              "Input/output error");
}

}  // namespace
}  // namespace corvane

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
