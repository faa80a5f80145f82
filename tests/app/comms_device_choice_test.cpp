// The Communications page's choice of the device behind "Use C&omm 1" and "Us&e Comm 2".
#include <gtest/gtest.h>

#include "app/comms_page.h"
#include "app_test_rig.h"
#include "fake_serial_devices.h"
#include "resources/comms_page.h"

namespace corvane {
namespace {

using fw::kSecond;
using namespace ids;

const SerialDeviceInfo kFtdi{"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K3XYZ"};
const SerialDeviceInfo kAcm{"/dev/ttyACM0", "USB-RS485 Converter", "Corvane", "RS485-0042"};
const SerialDeviceInfo kCp210x{"/dev/ttyUSB1", "CP2102 USB to UART Bridge", "Silicon Labs", ""};
constexpr const char* kFtdiEntry = "/dev/ttyUSB0 \u2014 FT232R USB UART (FTDI, A10K3XYZ)";
constexpr const char* kAcmEntry = "/dev/ttyACM0 \u2014 USB-RS485 Converter (Corvane, RS485-0042)";

// On the device paths of a POSIX system, where COM1 opens /dev/ttyUSB0 unless told otherwise
// (on Windows it opens COM1 itself).
class DeviceChoicePosix : public ::testing::Test {
  protected:
    void SetUp() override {
        catalog.Plug(kFtdi);
        catalog.Plug(kAcm);
        ports.UseSettings(&settings);
        ports.UseCatalog(&catalog);
        ASSERT_TRUE(rig.Start());
        rig.Run(kSecond);
    }

    // Logs in at the factory level and shows the Communications page.
    fw::WindowModel& ShowPage() {
        rig.LogIn("A. Fitter", "K425TRM");
        fw::PropertySheet& sheet = *rig.Window().Sheet();
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == "Communications") {
                EXPECT_TRUE(sheet.SetActivePage(i));
                rig.Settle();
                return sheet.Page(i).Controls();
            }
        }
        ADD_FAILURE() << "no Communications page";
        return sheet.ActivePage().Controls();
    }
    fw::PropertySheet& Sheet() { return *rig.Window().Sheet(); }
    int EntryOf(fw::WindowModel& page, int list, std::string_view entry) {
        const auto& items = page.ListItems(list);
        const auto found = std::find(items.begin(), items.end(), entry);
        return found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }

    testing::FakeSerialDeviceCatalog catalog;
    testing::FakePortDeviceSettings settings;
    PortMap ports;
    testing::AppRig rig{nullptr, &ports};
};

TEST_F(DeviceChoicePosix, eachPortShowsTheSystemsPortsWithTheOneItOpensSelected) {
    settings.kept[2] = "/dev/ttyACM0";
    fw::WindowModel& page = ShowPage();
    for (const int list : {kComDevice1, kComDevice2}) {
        EXPECT_TRUE(page.IsEnabled(list));
        EXPECT_EQ(page.ListItems(list), (std::vector<std::string>{kAcmEntry, kFtdiEntry}));
    }
    EXPECT_EQ(page.Text(kComDevice1), kFtdiEntry) << "COM1 opens its default, /dev/ttyUSB0";
    EXPECT_EQ(page.Text(kComDevice2), kAcmEntry) << "COM2 opens the kept choice";
}

TEST_F(DeviceChoicePosix, aDeviceTheSystemDoesNotListIsOfferedAsWhatThePortOpens) {
    ports.Set(1, "/dev/vexor-adapter-unplugged");  // --com1 for this run
    fw::WindowModel& page = ShowPage();
    EXPECT_EQ(page.Text(kComDevice1), "/dev/vexor-adapter-unplugged \u2014 not present");
    EXPECT_EQ(page.ListCount(kComDevice1), 3);
    EXPECT_EQ(page.ListCount(kComDevice2), 3) << "COM2's /dev/ttyUSB1 is not plugged in either";
}

TEST_F(DeviceChoicePosix, aDeviceForThisRunStaysOnOfferAfterAnotherIsChosen) {
    ports.Set(1, "/dev/pts/7");  // --com1 for this run: a pseudo-terminal
    fw::WindowModel& page = ShowPage();
    page.UserSelect(kComDevice1, EntryOf(page, kComDevice1, kAcmEntry));
    Sheet().PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyACM0");
    const int back = EntryOf(page, kComDevice1, "/dev/pts/7 \u2014 not present");
    ASSERT_GE(back, 0) << "the device the run began with is still offered";
    page.UserSelect(kComDevice1, back);
    Sheet().PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(ports.DeviceFor(1), "/dev/pts/7");
}

TEST_F(DeviceChoicePosix, aChosenDeviceIsKeptAtApplyAndThePortReopensOnIt) {
    fw::WindowModel& page = ShowPage();
    const int openings = rig.Line().Openings();
    page.UserSelect(kComDevice1, EntryOf(page, kComDevice1, kAcmEntry));
    EXPECT_TRUE(Sheet().ApplyEnabled());
    EXPECT_EQ(settings.writes, 0) << "nothing is kept before Apply";
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyUSB0");

    Sheet().PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(settings.kept[1], "/dev/ttyACM0");
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyACM0");
    EXPECT_EQ(settings.writes, 1) << "COM2, left as it was, is not written";
    EXPECT_EQ(rig.Line().Openings(), openings + 1);
    EXPECT_EQ(page.Text(kComDevice1), kAcmEntry);
}

TEST_F(DeviceChoicePosix, cancelForgetsTheChoiceAndADeviceForThisRunIsNotKeptByApply) {
    ports.Set(2, "/dev/ttyUSB0");  // --com2 for this run
    fw::WindowModel& page = ShowPage();
    page.UserSelect(kComDevice1, EntryOf(page, kComDevice1, kAcmEntry));
    Sheet().PressCancel();
    rig.Settle();
    EXPECT_EQ(ports.DeviceFor(1), "/dev/ttyUSB0");

    fw::WindowModel& again = ShowPage();
    EXPECT_EQ(again.Text(kComDevice1), kFtdiEntry);
    again.UserClick(kComLoadDefaults);
    Sheet().PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(settings.writes, 0) << "Apply keeps only what the operator chose";
}

TEST_F(DeviceChoicePosix, theListsFollowAdaptersPluggedInAndOutWhileThePageIsShown) {
    fw::WindowModel& page = ShowPage();
    page.UserSelect(kComDevice2, EntryOf(page, kComDevice2, kAcmEntry));
    ASSERT_TRUE(catalog.Listening());

    catalog.Plug(kCp210x);
    EXPECT_EQ(page.ListCount(kComDevice1), 3);
    EXPECT_EQ(page.Text(kComDevice1), kFtdiEntry);
    EXPECT_EQ(page.Text(kComDevice2), kAcmEntry) << "the choice not yet applied stays";

    catalog.Unplug("/dev/ttyUSB0");  // the adapter COM1 opens is pulled out
    EXPECT_EQ(page.Text(kComDevice1), "/dev/ttyUSB0 \u2014 not present");
    EXPECT_EQ(page.ListCount(kComDevice1), 3);

    // Another tab: the page no longer follows the catalog; back again, it does.
    ASSERT_TRUE(Sheet().SetActivePage(0));
    EXPECT_FALSE(catalog.Listening());
    catalog.Plug(kFtdi);
    fw::WindowModel& back = ShowPage();
    EXPECT_TRUE(catalog.Listening());
    EXPECT_EQ(back.Text(kComDevice1), kFtdiEntry);

    Sheet().PressCancel();
    rig.Settle();
    EXPECT_FALSE(catalog.Listening()) << "a closed sheet stops the polling";
}

TEST(DeviceChoiceWithoutDevices, theListsStayEmptyAndDisabledOnTheVirtualLine) {
    testing::AppRig rig;
    ASSERT_TRUE(rig.Start());
    rig.LogIn("A. Fitter", "K425TRM");
    fw::PropertySheet& sheet = *rig.Window().Sheet();
    for (int i = 0; i < sheet.PageCount(); ++i) {
        if (sheet.Page(i).Caption() != "Communications") continue;
        ASSERT_TRUE(sheet.SetActivePage(i));
        const fw::WindowModel& page = sheet.Page(i).Controls();
        for (const int list : {kComDevice1, kComDevice2}) {
            EXPECT_FALSE(page.IsEnabled(list));
            EXPECT_EQ(page.ListCount(list), 0);
        }
        return;
    }
    FAIL() << "no Communications page";
}

}  // namespace
}  // namespace corvane
