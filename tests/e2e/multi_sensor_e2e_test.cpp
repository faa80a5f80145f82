// The Channels and Communications pages of the whole program, through the real serial port,
// against `vexor-sim --addresses 1,2,3` on a pseudo-terminal, in real time: three sensors on one
// line and none at the address the program starts with (0).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/control_centre_app.h"
#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/serial_port.h"
#include "program_on_simulator.h"
#include "resources/channels_page.h"
#include "resources/comms_page.h"
#include "resources/main_window.h"

namespace corvane {
namespace {

using namespace ids;

using testing::WaitUntil;

class ThreeSensorsOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) {
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        }
        ASSERT_TRUE(simulator.Start("three", {"--addresses", "1,2,3"}));
        ports.Set(1, simulator.Link().string());
        app = std::make_unique<CControlCentreApp>(
            host, [this] { return std::make_unique<CSerialPort>(host, ports); }, nullptr);
        ASSERT_TRUE(app->InitInstance([] {}));
        auto& controls = Window().Controls();
        controls.UserType(kOperatorName, "E2E Fitter");
        controls.UserType(kPassword, "K425TRM");
        controls.SetFocus(kPassword);
        Window().PressEnter();
        ASSERT_TRUE(WaitUntil([&] { return Sheet() != nullptr; }, 5));
    }
    void TearDown() override {
        app.reset();
        simulator.Stop();
    }

    CControlCentreDlg& Window() { return *app->MainWindow(); }
    SensorData& Sensor() { return Window().Records().Sensor; }
    fw::PropertySheet* Sheet() {
        auto* sheet = Window().Sheet();
        return sheet != nullptr && sheet->IsOpen() ? sheet : nullptr;
    }
    fw::WindowModel& Page(std::string_view caption) {
        fw::PropertySheet& sheet = *Sheet();
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == caption) {
                EXPECT_TRUE(sheet.SetActivePage(i));
                return sheet.Page(i).Controls();
            }
        }
        ADD_FAILURE() << "no page " << caption;
        return sheet.ActivePage().Controls();
    }
    bool FoundBoxShown() {
        for (const auto& shown : host.Boxes()) {
            if (shown.box.caption == "Use This Modbus Device ?") return true;
        }
        return false;
    }

    testing::SimulatorProcess simulator;
    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    fw::RealTimePump pump{clock};
    PortMap ports;
    std::unique_ptr<CControlCentreApp> app;
};

TEST_F(ThreeSensorsOnTheSimulator, theChannelsPageShowsTheReadingsOfAllThree) {
    fw::WindowModel& page = Page("Channels");
    for (int channel = 0; channel < 3; ++channel) {
        page.UserClick(kChnRows[static_cast<std::size_t>(channel)].onOff);
    }
    const auto shown = [&](int channel) {
        const ChannelRowIds& row = kChnRows[static_cast<std::size_t>(channel)];
        return page.Text(row.condComp) != "0" && page.Text(row.temperature) != "0" &&
               page.Text(row.out1) != "0";
    };
    ASSERT_TRUE(WaitUntil([&] { return shown(0) && shown(1) && shown(2); }, 20))
        << page.Text(kChnRows[0].condComp) << " / " << page.Text(kChnRows[1].condComp) << " / "
        << page.Text(kChnRows[2].condComp);
    EXPECT_EQ(page.Text(kChnRows[3].condComp), "0") << "channel 4 is off";
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(page.Text(kChnRows[static_cast<std::size_t>(channel)].address),
                  std::to_string(channel + 1));
    }
}

TEST_F(ThreeSensorsOnTheSimulator, searchFindsASensorThenMonitorAndChangeAddressWork) {
    ASSERT_EQ(Sensor().DeviceId, 0);
    EXPECT_FALSE(Window().Records().Engine().SensorAnswering) << "nobody answers at address 0";
    fw::WindowModel& page = Page("Communications");

    host.ScriptAnswers({fw::Answer::Yes});  // "Device Found At ID 1": use it
    page.UserClick(kComSearchUp);
    ASSERT_TRUE(WaitUntil([&] { return FoundBoxShown(); }, 30));
    ASSERT_TRUE(WaitUntil([&] { return Window().Records().ScanState() == ScanState::Idle; }, 10));
    EXPECT_EQ(Sensor().DeviceId, 1);
    EXPECT_EQ(page.Text(kComCurrentId), "1");

    page.UserType(kComSelectId, "3");
    page.UserClick(kComMonitor);
    EXPECT_EQ(Sensor().DeviceId, 3);
    WaitUntil([] { return false; }, 1);  // a reply from 1 still on its way lands first
    Sensor().CondComp = 0;
    ASSERT_TRUE(WaitUntil(
        [&] { return Sensor().CondComp > 0 && Window().Records().Engine().SensorAnswering; }, 10))
        << "the sensor at 3 answers";

    page.UserType(kComSelectId, "9");
    page.UserClick(kComChangeAddress);
    ASSERT_TRUE(WaitUntil([&] { return Sensor().DeviceId == 9; }, 10));
    ASSERT_TRUE(WaitUntil([&] { return page.Text(kComCurrentId) == "9"; }, 5));
    WaitUntil([] { return false; }, 1);
    Sensor().CondComp = 0;
    ASSERT_TRUE(WaitUntil([&] { return Sensor().CondComp > 0; }, 10))
        << "the sensor now answers at its new address";

    page.UserType(kComSelectId, "3");
    page.UserClick(kComMonitor);
    Sensor().CondComp = 0;
    WaitUntil([&] { return !Window().Records().Engine().SensorAnswering; }, 10);
    EXPECT_FALSE(Window().Records().Engine().SensorAnswering) << "nobody is left at address 3";
}

}  // namespace
}  // namespace corvane
