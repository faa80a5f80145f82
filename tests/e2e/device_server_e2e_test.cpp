// The desktop tool's link through a serial device server: the sensor link on the line port with
// COM1 given as tcp://HOST:PORT, against virtual sensors served on a loopback TCP port.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/line_port.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"
#include "link/tcp_port.h"
#include "program_on_simulator.h"
#include "sim/pty_server.h"

namespace corvane {
namespace {

using testing::WaitUntil;

std::unique_ptr<sim::PtyServer> ServeOnTcp(int port) {
    sim::PtyServer::Options options;
    options.tcpPort = port;
    auto server = std::make_unique<sim::PtyServer>(options);
    std::string error;
    if (!server->Start(error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    server->RunInThread();
    return server;
}

int CommsErrorBoxes(const fw::HeadlessHost& host, const std::string& about) {
    int count = 0;
    for (const auto& shown : host.Boxes()) {
        if (shown.box.caption == "Corvane Comms Error" &&
            shown.box.text.find(about) != std::string::npos) {
            ++count;
        }
    }
    return count;
}

TEST(DeviceServer, theLinkRunsOverTcpAndADroppedConnectionIsReportedOnceAndMadeAgain) {
    auto server = ServeOnTcp(sim::PtyServer::kAnyTcpPort);
    ASSERT_NE(server, nullptr);
    const std::string device = server->DevicePath();
    std::string host;
    int port = 0;
    ASSERT_TRUE(CTcpPort::ParseAddress(device, host, port)) << device;

    fw::VirtualClock clock;
    fw::HeadlessHost hostWindow(clock);
    fw::RealTimePump pump(clock);
    SharedRecords records;
    PortMap ports;
    ports.Set(1, device);
    CLinePort line(hostWindow, ports);
    SensorLink* link = nullptr;
    auto timer = hostWindow.CreateTimer([&link] { link->Tick(); });
    SensorLink running(records, line, hostWindow, hostWindow, *timer);
    link = &running;
    ResetSensorData(records);
    timer->Start(CommandEngine::kTickMs);

    ASSERT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering; }, 5));
    EXPECT_GT(records.Sensor.CondComp, 0.0);

    server.reset();  // the device server goes away
    ASSERT_TRUE(WaitUntil([&] { return !records.Engine().SensorAnswering; }, 10));
    ASSERT_TRUE(WaitUntil([&] { return CommsErrorBoxes(hostWindow, "") > 0; }, 5));
    WaitUntil([] { return false; }, 2);  // more requests go unanswered meanwhile
    EXPECT_EQ(CommsErrorBoxes(hostWindow, ""), 1) << "an outage is reported once";

    server = ServeOnTcp(port);  // back at the same address
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return records.Engine().SensorAnswering; }, 10));
}

TEST(DeviceServer, addressesAreReadWholeOrRefused) {
    std::string host;
    int port = 0;
    EXPECT_TRUE(CTcpPort::ParseAddress("tcp://192.168.1.50:4001", host, port));
    EXPECT_EQ(host, "192.168.1.50");
    EXPECT_EQ(port, 4001);
    EXPECT_TRUE(CTcpPort::ParseAddress("tcp://[::1]:502", host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_TRUE(CTcpPort::ParseAddress("tcp://gateway.plant:10001", host, port));
    for (const char* bad : {"tcp://host", "tcp://:502", "tcp://host:0", "tcp://host:65536",
                            "tcp://host:50x", "/dev/ttyUSB0", "tcp://host:"}) {
        EXPECT_FALSE(CTcpPort::ParseAddress(bad, host, port)) << bad;
    }
}

TEST(DeviceServer, aMalformedAddressIsReportedAndNothingIsSent) {
    fw::VirtualClock clock;
    fw::HeadlessHost host(clock);
    fw::RealTimePump pump(clock);
    PortMap ports;
    ports.Set(1, "tcp://nowhere");
    CLinePort line(host, ports);
    struct : ByteReceiver {
        void OnSerialByte(std::uint8_t, int) override {}
    } receiver;
    EXPECT_FALSE(line.Open(PortSettings{}, receiver));
    ASSERT_TRUE(WaitUntil([&] { return !host.Boxes().empty(); }, 2));
    EXPECT_NE(host.Boxes().front().box.text.find(CTcpPort::kBadAddressText), std::string::npos);
}

}  // namespace
}  // namespace corvane
