#include "app/comms_page.h"

#include "link/command_engine.h"
#include "link/command_table.h"
#include "resources/comms_page.h"
#include "sheet_test_rig.h"
#include "sim/virtual_sensor.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using namespace ids;

class CommsPage : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        page = &Open("Communications");
    }
    fw::WindowModel* page = nullptr;
    sim::VirtualSensor second{5};  // attached by the tests that need a second device
};

TEST_F(CommsPage, opensWithTheLiveSettingsInDisabledListsAndTheAddressInBothFields) {
    for (const int list : {kComBaudRate, kComDataBits, kComParity, kComStopBits, kComFlowControl}) {
        EXPECT_FALSE(page->IsEnabled(list)) << list;
    }
    EXPECT_EQ(page->Text(kComBaudRate), "9,600");
    EXPECT_EQ(page->Text(kComDataBits), "Fixed, 8");
    EXPECT_EQ(page->Text(kComParity), "None");
    EXPECT_EQ(page->Text(kComStopBits), "1");
    EXPECT_EQ(page->Text(kComFlowControl), "None");
    EXPECT_EQ(page->Text(kComCurrentId), "0");
    EXPECT_EQ(page->Text(kComSelectId), "0");
    EXPECT_EQ(page->Check(kComUseComm1), 1);
}

TEST_F(CommsPage, aSystemMessagesLinePickedOutChangesNoSetting) {
    rig.Run(kSecond);
    ASSERT_GT(page->ListCount(kComSystemMessages), 0);
    page->UserSelect(kComSystemMessages, 0);
    EXPECT_FALSE(Sheet()->ApplyEnabled());
}

TEST_F(CommsPage, loadDefaultSetupThenApplyReopensThePortWith9600EightNoneOne) {
    // Settings from an older state file: 2400 baud, 7 data bits, even parity, 1.5 stop bits.
    Sheet()->PressCancel();
    rig.Settle();
    SensorData& s = rig.Records().Sensor;
    s.BaudIndex = 0;
    s.DataBitsIndex = 0;
    s.ParityIndex = 0;
    s.StopBitsIndex = 1;
    s.FlowIndex = 0;
    LogIn();
    page = &Open("Communications");
    EXPECT_EQ(page->Text(kComStopBits), "1.5");
    const int openings = rig.Line().Openings();

    page->UserClick(kComLoadDefaults);
    EXPECT_EQ(page->Text(kComBaudRate), "9,600");
    EXPECT_EQ(s.BaudIndex, 0) << "nothing changes before Apply";
    ASSERT_TRUE(Sheet()->ApplyEnabled());
    rig.Run(kSecond);
    EXPECT_EQ(rig.Line().Openings(), openings) << "nor is the port reopened";

    Sheet()->PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(rig.Line().Openings(), openings + 1);
    const PortSettings& opened = rig.Line().Settings();
    EXPECT_EQ(opened.BaudRate, 9600);
    EXPECT_EQ(opened.DataBits, 8);
    EXPECT_EQ(opened.Parity, 'N');
    EXPECT_EQ(opened.StopBits, 1);
    EXPECT_EQ(opened.PortNumber, 1);
    EXPECT_EQ(s.FlowControl, 'N');
    EXPECT_EQ(rig.Records().ScanState(), ScanState::Idle) << "the scan ended through 'applied'";
}

TEST_F(CommsPage, theOneAndAHalfStopBitsEntryOpensThePortWithOneStopBit) {
    Sheet()->PressCancel();
    rig.Settle();
    rig.Records().Sensor.StopBitsIndex = 1;
    LogIn();
    page = &Open("Communications");
    page->UserClick(kComUseComm2);
    page->UserClick(kComUseComm1);
    Sheet()->PressApply();
    rig.Run(kSecond);
    EXPECT_EQ(rig.Line().Settings().StopBits, 1);
}

TEST_F(CommsPage, monitorUserAddressTalksToTheSelectedAddress) {
    page->UserType(kComSelectId, "12");
    const std::size_t from = WrittenCount();
    page->UserClick(kComMonitor);
    const SensorData& s = rig.Records().Sensor;
    EXPECT_EQ(s.DeviceId, 12);
    EXPECT_EQ(s.NewDeviceId, 12);
    EXPECT_EQ(s.LastDeviceId, 12);
    EXPECT_EQ(page->Text(kComCurrentId), "12");
    EXPECT_EQ(s.SerialNumber, "Serial Number") << "the identity is forgotten";
    rig.Run(2 * kSecond);
    const auto& written = rig.Line().Written();
    ASSERT_GT(written.size(), from);
    EXPECT_EQ(written.back()[0], 12);
}

TEST_F(CommsPage, anAddressOutsideTheRangeIsRefusedAndNeverMonitored) {
    page->UserType(kComSelectId, "248");
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter an integer between 0 and 247.");
    page->UserClick(kComMonitor);
    rig.Settle();
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0);
}

TEST_F(CommsPage, changeSensorAddressGivesTheSensorTheSelectedAddress) {
    const std::size_t from = WrittenCount();
    page->UserType(kComSelectId, "9");
    page->UserClick(kComChangeAddress);
    rig.Run(4 * kSecond);
    EXPECT_EQ(Sent(fn::kProbe, from).size(), 1u) << "the new address is probed first";
    EXPECT_EQ(rig.sensor.Address(), 9);
    const SensorData& s = rig.Records().Sensor;
    EXPECT_EQ(s.DeviceId, 9);
    EXPECT_EQ(s.LastDeviceId, 9);
    EXPECT_EQ(rig.Records().ScanState(), ScanState::Idle) << "the page acknowledged the change";
    EXPECT_EQ(page->Text(kComCurrentId), "9");
    EXPECT_EQ(page->Text(kComSelectId), "9");
}

// Two sensors at one address answer each other's requests: an address something answers at is
// refused, whatever the answer (a sensor, or another device's exception), and nothing changes.
TEST_F(CommsPage, changeSensorAddressOntoAnAddressInUseIsRefusedAndNothingIsChanged) {
    rig.Line().Attach(second);
    const std::size_t from = WrittenCount();
    page->UserType(kComSelectId, "5");
    page->UserClick(kComChangeAddress);
    rig.Run(4 * kSecond);
    EXPECT_EQ(LastBox().box.caption, "Sensor Address Change Refused !");
    EXPECT_EQ(LastBox().box.text,
              "A Device Already Answers At ID 5 !\n\nThe Sensor Keeps ID 0: Its Address Was Not "
              "Changed.");
    EXPECT_TRUE(Sent(fn::kChangeAddress, from).empty());
    EXPECT_EQ(rig.sensor.Address(), 0);
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0) << "the polls went back to the sensor in use";
    rig.Run(2 * kSecond);
    ASSERT_FALSE(rig.Line().Written().empty());
    EXPECT_EQ(rig.Line().Written().back()[0], 0) << "still talking to address 0";
}

// A search started, or the page left, while the new address is probed ends the change: the
// sensor keeps its address and nothing is sent to it later without being asked.
TEST_F(CommsPage, anAddressChangeStillBeingCheckedEndsWithASearchOrWithThePage) {
    const std::size_t from = WrittenCount();
    page->UserType(kComSelectId, "9");
    page->UserClick(kComChangeAddress);
    rig.Settle();
    page->UserClick(kComSearchUp);
    rig.Run(4 * kSecond);
    EXPECT_NE(rig.Records().ScanState(), ScanState::ChangeAddress);
    page->UserClick(kComStopSearch);
    rig.Run(2 * kSecond);
    EXPECT_TRUE(Sent(fn::kChangeAddress, from).empty());

    page->UserType(kComSelectId, "9");
    page->UserClick(kComChangeAddress);
    rig.Settle();
    Open("Monitor");
    rig.Run(4 * kSecond);
    EXPECT_TRUE(Sent(fn::kChangeAddress, from).empty());
    EXPECT_EQ(rig.sensor.Address(), 0);
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0);
}

TEST_F(CommsPage, searchDownFromZeroFindsTheSensorAndYesKeepsItsAddress) {
    rig.sensor.SetAddress(245);
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kComSearchDown);
    rig.Run(10 * kSecond);  // 247 and 246 time out, 245 answers
    const fw::HeadlessHost::ShownBox* found = nullptr;
    for (const auto& box : rig.host.Boxes()) {
        if (box.box.caption == "Use This Modbus Device ?") found = &box;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->box.text, "Device Found At ID 245");
    rig.Run(kSecond);
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 245);
    EXPECT_EQ(rig.Records().ScanState(), ScanState::Idle);
    EXPECT_EQ(page->Text(kComCurrentId), "245");
}

// Another device on the line that refuses the probe with an exception reply (4 bytes complete the
// probe's reply, so it fails its check) is passed within the probe's time-out: the search goes on
// and offers the sensor beyond it, and no one is told an address was found at the device.
TEST_F(CommsPage, aSearchPassesADeviceThatRefusesTheProbeWithAnException) {
    rig.sensor.SetAddress(2);
    second.SetAddress(1);
    second.Faults().exceptionReplies = true;
    rig.Line().Attach(second);
    rig.host.ScriptAnswers({Answer::Yes});
    const std::size_t from = WrittenCount();
    page->UserClick(kComSearchUp);
    rig.Run(6 * kSecond);

    std::vector<fw::VirtualClock::Micros> probeTimes;
    std::vector<int> probed;
    const auto& written = rig.Line().Written();
    for (std::size_t i = from; i < written.size(); ++i) {
        if (written[i].size() >= 4 && written[i][1] == fn::kProbe) {
            probed.push_back(written[i][0]);
            probeTimes.push_back(rig.Line().WriteTimes()[i]);
        }
    }
    ASSERT_EQ(probed, (std::vector<int>{1, 2}));
    EXPECT_LE(probeTimes[1] - probeTimes[0], 2 * CommandEngine::kTickMs * fw::kMillisecond)
        << "the refused probe ends with its reply, not with a time-out";
    const fw::HeadlessHost::ShownBox* found = nullptr;
    for (const auto& box : rig.host.Boxes()) {
        if (box.box.caption == "Use This Modbus Device ?") {
            EXPECT_EQ(found, nullptr) << "only one device is offered";
            found = &box;
        }
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->box.text, "Device Found At ID 2");
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 2);
    EXPECT_EQ(rig.Records().ScanState(), ScanState::Idle);
}

TEST_F(CommsPage, stopSearchRestoresTheAddressTheSearchStartedFrom) {
    rig.sensor.SetAddress(100);
    page->UserClick(kComSearchUp);
    rig.Run(8 * kSecond);  // the poll outstanding at the click times out first
    EXPECT_NE(rig.Records().Sensor.DeviceId, 0);
    page->UserClick(kComSearchDown);  // a running search only changes direction
    EXPECT_EQ(rig.Records().ScanDirection(), 1);
    page->UserClick(kComStopSearch);
    rig.Run(kSecond);
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0);
    EXPECT_EQ(rig.Records().ScanState(), ScanState::Idle);
}

TEST_F(CommsPage, enterMovesTheFocusRoundTheFiveLists) {
    page->SetFocus(kComSelectId);
    const int expected[] = {kComBaudRate, kComDataBits,    kComParity,
                            kComStopBits, kComFlowControl, kComBaudRate};
    for (const int id : expected) {
        Sheet()->ActivePage().PressEnter();
        EXPECT_EQ(page->Focus(), id);
    }
}

}  // namespace
}  // namespace corvane
