// Choosing the serial device: the kept choice, the catalog of ports, and what the operator is
// told when a device cannot be opened or goes away, with pseudo-terminals standing in for USB
// serial adapters.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "framework/headless/headless_host.h"
#include "link/serial_adapters.h"
#include "link/serial_device_catalog_qt.h"
#include "link/serial_port.h"

namespace corvane {
namespace {

// Runs the event loop until `done` holds or `ms` have passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(5);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// A pseudo-terminal standing in for an adapter: the program opens `path`; the test holds the
// other end, and closing it is the adapter going away.
class FakeAdapter {
  public:
    FakeAdapter() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        path_ = ptsname(master_);
    }
    ~FakeAdapter() { HangUp(); }
    FakeAdapter(const FakeAdapter&) = delete;
    FakeAdapter& operator=(const FakeAdapter&) = delete;

    bool Ready() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    void Send(std::uint8_t byte) { ASSERT_EQ(::write(master_, &byte, 1), 1); }
    void HangUp() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    std::string path_;
};

struct Collect : ByteReceiver {
    void OnSerialByte(std::uint8_t byte, int portNumber) override {
        bytes.push_back(byte);
        port = portNumber;
    }
    std::vector<std::uint8_t> bytes;
    int port = 0;
};

// The settings' stand-in: what was kept, per port number.
struct KeptDevices : PortDeviceSettings {
    std::string Device(int portNumber) const override {
        const auto found = kept.find(portNumber);
        return found == kept.end() ? std::string() : found->second;
    }
    void SetDevice(int portNumber, const std::string& device) override {
        kept[portNumber] = device;
    }
    std::map<int, std::string> kept;
};

TEST(PortMapOrder, thisRunsDeviceThenTheKeptChoiceThenTheDefault) {
    KeptDevices kept;
    PortMap ports;
    ports.UseSettings(&kept);
    EXPECT_EQ(ports.DeviceFor(2), "/dev/ttyUSB1");
    kept.kept[2] = "/dev/ttyACM0";
    EXPECT_EQ(ports.DeviceFor(2), "/dev/ttyACM0");
    ports.Set(2, "/dev/pts/9");  // --com2 for one run
    EXPECT_EQ(ports.DeviceFor(2), "/dev/pts/9");
    EXPECT_EQ(kept.kept[2], "/dev/ttyACM0") << "a device for one run is not kept";

    const PortMap copy = ports;  // the port's copy sees the operator's choice
    ports.Choose(2, "/dev/ttyUSB3");
    EXPECT_EQ(copy.DeviceFor(2), "/dev/ttyUSB3");
    EXPECT_EQ(kept.kept[2], "/dev/ttyUSB3");
    EXPECT_EQ(copy.DeviceFor(1), "/dev/ttyUSB0") << "the other port is untouched";
}

TEST(DeviceEntries, nameThePathAndWhatTheSystemKnows) {
    EXPECT_EQ(DeviceEntryText({"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3XYZ"}),
              "/dev/ttyUSB0 \u2014 FT232R USB UART (FTDI, A10K3XYZ)");
    EXPECT_EQ(DeviceEntryText({"/dev/ttyACM0", "USB-RS485", "", ""}),
              "/dev/ttyACM0 \u2014 USB-RS485");
    EXPECT_EQ(DeviceEntryText({"/dev/ttyUSB1", "", "", "B77"}), "/dev/ttyUSB1 \u2014 (B77)");
    EXPECT_EQ(DeviceEntryText({"/dev/ttyS0", "", "", ""}), "/dev/ttyS0");
}

TEST(QtCatalog, callsBackOnlyWhenTheListChangesAndOnlyWhileSomeoneListens) {
    std::vector<SerialDeviceInfo> present = {{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1"}};
    QtSerialDeviceCatalog catalog([&] { return present; }, 10);
    EXPECT_FALSE(catalog.Polling()) << "nobody listens yet";
    int changes = 0;
    catalog.Listen([&] { ++changes; });
    EXPECT_TRUE(catalog.Polling());
    WaitFor([] { return false; }, 60);
    EXPECT_EQ(changes, 0) << "the same ports are no change";

    present.push_back({"/dev/ttyUSB1", "CP2102", "Silicon Labs", "B2"});
    ASSERT_TRUE(WaitFor([&] { return changes == 1; }, 2000));
    WaitFor([] { return false; }, 60);
    EXPECT_EQ(changes, 1) << "one plug-in is one change";
    EXPECT_EQ(catalog.Devices(), present);

    catalog.StopListening();
    EXPECT_FALSE(catalog.Polling());
    present.clear();
    WaitFor([] { return false; }, 60);
    EXPECT_EQ(changes, 1);
}

TEST(QtKeptDevices, aChoiceSurvivesIntoTheNextRun) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("control-centre.conf");
    {
        QtPortDeviceSettings settings(file);
        EXPECT_EQ(settings.Device(1), "") << "nothing kept yet";
        settings.SetDevice(1, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    }
    QtPortDeviceSettings nextRun(file);
    EXPECT_EQ(nextRun.Device(1), "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0");
    EXPECT_EQ(nextRun.Device(2), "");
}

class PtyDevices : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!first.Ready() || !second.Ready()) {
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        }
        ports.UseSettings(&kept);
    }
    std::vector<std::string> BoxTexts() {
        clock.RunFor(1);
        std::vector<std::string> texts;
        for (const auto& shown : host.Boxes()) {
            EXPECT_EQ(shown.box.caption, "Corvane Comms Error");
            texts.push_back(shown.box.text);
        }
        return texts;
    }

    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    FakeAdapter first;
    FakeAdapter second;
    KeptDevices kept;
    PortMap ports;
    Collect sink;
};

TEST_F(PtyDevices, thePortOpensTheKeptDeviceAndAChoiceMadeLaterAtTheNextOpening) {
    kept.kept[1] = first.Path();
    CSerialPort port(host, ports);
    ASSERT_TRUE(port.Open(PortSettings{}, sink));
    EXPECT_EQ(port.Device(), first.Path());

    ports.Choose(1, second.Path());  // the Communications page's Apply
    EXPECT_EQ(port.Device(), first.Path()) << "the open port stays until it is reopened";
    ASSERT_TRUE(port.Open(PortSettings{}, sink));
    EXPECT_EQ(port.Device(), second.Path());
    second.Send(0x5A);
    ASSERT_TRUE(WaitFor([&] { return !sink.bytes.empty(); }, 2000));
    EXPECT_EQ(sink.bytes.front(), 0x5A);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(PtyDevices, aDeviceThatGoesAwayIsReportedAsGoneOnce) {
    ports.Set(1, first.Path());
    CSerialPort port(host, ports);
    std::vector<PortFailureKind> kinds;
    port.SetFailureObserver([&kinds](const PortFailure& f) { kinds.push_back(f.kind); });
    ASSERT_TRUE(port.Open(PortSettings{}, sink));
    first.HangUp();  // the adapter is pulled out while the port waits for input
    ASSERT_TRUE(WaitFor([&] { return !port.IsOpen(); }, 2000)) << "the hang-up is noticed";
    const std::uint8_t poll[] = {0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x1B};
    for (int i = 0; i < 5; ++i) {
        port.Write(poll);
        WaitFor([] { return false; }, 50);
    }
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 1u) << "one outage, one box";
    EXPECT_NE(texts[0].find(CSerialPort::kGoneText), std::string::npos) << texts[0];
    EXPECT_EQ(texts[0].find("Inappropriate ioctl"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[0].find("The serial port COM1 (" + first.Path() + ") "), 0u) << texts[0];
    EXPECT_EQ(kinds, (std::vector<PortFailureKind>{PortFailureKind::GoneAway}));
}

TEST_F(PtyDevices, aDeviceThisUserMayNotOpenIsReportedWithTheDialoutAdvice) {
    ports.Set(1, first.Path());
    ASSERT_EQ(::chmod(first.Path().c_str(), 0), 0);
    CSerialPort port(host, ports);
    std::vector<PortFailureKind> kinds;
    port.SetFailureObserver([&kinds](const PortFailure& f) { kinds.push_back(f.kind); });
    const bool opened = port.Open(PortSettings{}, sink);
    if (::geteuid() == 0) {
        // Permission bits do not stop the superuser (CI runs as root): the device opens and the
        // case cannot fail here.
        EXPECT_TRUE(opened);
        GTEST_SKIP() << "running as root: a device with mode 000 still opens";
    }
    EXPECT_FALSE(opened);
    const auto texts = BoxTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("COM1 (" + first.Path() + ") could not be opened."), std::string::npos)
        << texts[0];
    EXPECT_NE(texts[0].find(CSerialPort::kPermissionText), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("dialout"), std::string::npos);
    EXPECT_EQ(kinds, (std::vector<PortFailureKind>{PortFailureKind::Permission}));
}

// A device another program holds: the box names that program and its process id, so the
// technician knows what to close.
TEST_F(PtyDevices, aDeviceAnotherProgramHoldsIsReportedNamingThatProgram) {
    QProcess holder;
    holder.start(CORVANE_PROGRAM, {"--port", QString::fromStdString(first.Path()), "--timeout-ms",
                                   "5000", "monitor"});
    ASSERT_TRUE(holder.waitForStarted(5000));
    const auto pid = holder.processId();
    const auto held = [&] { return !HoldersOf(first.Path()).empty(); };
    ASSERT_TRUE(WaitFor(held, 5000)) << "corvane opens the device";
    const std::vector<DeviceHolder> holders = HoldersOf(first.Path());
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].program, "corvane");
    EXPECT_EQ(holders[0].pid, pid);

    ports.Set(1, first.Path());
    CSerialPort port(host, ports);
    std::vector<PortFailure> failures;
    port.SetFailureObserver([&failures](const PortFailure& f) { failures.push_back(f); });
    EXPECT_FALSE(port.Open(PortSettings{}, sink));
    const auto texts = BoxTexts();
    holder.terminate();
    holder.waitForFinished(5000);
    ASSERT_EQ(texts.size(), 1u);
    const std::string named =
        "in use by another program (corvane, PID " + std::to_string(pid) + ")";
    EXPECT_NE(texts[0].find(named), std::string::npos) << texts[0];
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, PortFailureKind::Busy);
    EXPECT_EQ(failures[0].holders, "corvane, PID " + std::to_string(pid));
}

TEST(SerialPortOpenAdvice, aMissingDeviceSaysToPlugItInOrChooseAnother) {
    fw::VirtualClock clock;
    fw::HeadlessHost host(clock);
    PortMap ports;
    ports.Set(1, "/dev/ttyUSB-vexor-absent");
    CSerialPort port(host, ports);
    std::vector<PortFailure> failures;
    port.SetFailureObserver([&failures](const PortFailure& f) { failures.push_back(f); });
    Collect sink;
    EXPECT_FALSE(port.Open(PortSettings{}, sink));
    clock.RunFor(1);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_NE(host.Boxes()[0].box.text.find(CSerialPort::kMissingText), std::string::npos);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].kind, PortFailureKind::Missing);
    EXPECT_EQ(failures[0].device, "/dev/ttyUSB-vexor-absent");
    EXPECT_EQ(failures[0].reason, CSerialPort::kMissingText);
}

}  // namespace
}  // namespace corvane
