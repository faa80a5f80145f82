#include "app/channels_page.h"

#include <algorithm>
#include <vector>

#include "framework/number_text.h"
#include "link/command_engine.h"
#include "link/command_table.h"
#include "resources/channels_page.h"
#include "resources/comms_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::kSecond;
using namespace ids;

// The program on a line with sensors at addresses 0 (the one it talks to), 1, 2 and 3.
class ChannelsPage : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        for (sim::VirtualSensor& sensor : extra) rig.Line().Attach(sensor);
        LogIn();
        page = &Open("Channels");
    }

    const ChannelRowIds& Row(int channel) {
        return kChnRows[static_cast<std::size_t>(channel - 1)];
    }
    void Toggle(int channel) {
        page->UserClick(Row(channel).onOff);
        rig.Settle();
    }
    // The addresses of the polls written since `from`, in order.
    std::vector<int> PolledAddresses(std::size_t from) {
        std::vector<int> addresses;
        const auto& written = rig.Line().Written();
        for (std::size_t i = from; i < written.size(); ++i) {
            if (written[i].size() >= 4 && written[i][1] == fn::kPoll) {
                addresses.push_back(written[i][0]);
            }
        }
        return addresses;
    }
    // Runs until the engine has switched to `channel` and its poll is outstanding.
    void RunUntilPolling(int channel) {
        const SensorData& s = rig.Records().Sensor;
        for (int i = 0; i < 200; ++i) {
            if (s.ChannelSelected == channel && s.ChannelSwitch == ChannelSwitch::Switched) return;
            rig.Run(fw::kMillisecond * 50);
        }
        FAIL() << "channel " << channel << " was never polled";
    }

    std::array<sim::VirtualSensor, 3> extra{sim::VirtualSensor{1}, sim::VirtualSensor{2},
                                            sim::VirtualSensor{3}};
    fw::WindowModel* page = nullptr;
};

TEST_F(ChannelsPage, withNoChannelOnTheLinkGoesOnPollingItsOwnAddress) {
    const std::size_t from = WrittenCount();
    rig.Run(3 * kSecond);
    const std::vector<int> polled = PolledAddresses(from);
    ASSERT_FALSE(polled.empty());
    for (const int address : polled) EXPECT_EQ(address, 0);
    EXPECT_EQ(rig.Records().Sensor.ChannelSelected, 0);
    EXPECT_FALSE(page->IsEnabled(Row(1).address))
        << "the rows of channels that are off are disabled";
    EXPECT_FALSE(page->IsEnabled(Row(1).condRaw));
}

TEST_F(ChannelsPage, onlyChannelThreeOnIsPolledAgainAndAgainAndShowsItsReadings) {
    Toggle(3);
    EXPECT_TRUE(page->IsEnabled(Row(3).address));
    EXPECT_TRUE(page->IsEnabled(Row(3).out2));
    const std::size_t from = WrittenCount();
    rig.Run(4 * kSecond);
    const std::vector<int> polled = PolledAddresses(from);
    ASSERT_GE(polled.size(), 5u);
    for (const int address : polled) EXPECT_EQ(address, 3);
    EXPECT_EQ(rig.Records().Sensor.ChannelSelected, 3);
    EXPECT_NE(page->Text(Row(3).condComp), "0") << "channel 3's readings are shown";
    EXPECT_NE(page->Text(Row(3).out1), "0");
    EXPECT_EQ(page->Text(Row(1).condComp), "0");
}

TEST_F(ChannelsPage, readingsAreShownWithTheirDisplayPrecision) {
    Toggle(2);
    rig.Run(2 * kSecond);
    const double shown = fw::LeadingNumber(page->Text(Row(2).temperature));
    EXPECT_DOUBLE_EQ(shown, fw::AsDisplayed("%.1f", shown));
    const double current = fw::LeadingNumber(page->Text(Row(2).out1));
    EXPECT_DOUBLE_EQ(current, fw::AsDisplayed("%.2f", current));
    EXPECT_GT(current, 3.0);
}

// Zeros would read as a measurement: a silent channel shows blanks and is named in the page's
// messages, and is live again once its sensor answers.
TEST_F(ChannelsPage, aSilentChannelShowsBlanksNamedInTheMessagesAndTheCycleMovesOn) {
    Toggle(2);
    Toggle(3);
    rig.Run(3 * kSecond);
    ASSERT_NE(page->Text(Row(3).condComp), "0");
    extra[2].Faults().silent = true;  // the sensor at address 3 stops answering
    const std::size_t from = WrittenCount();
    rig.Run(20 * kSecond);
    for (const int id : {Row(3).condRaw, Row(3).condComp, Row(3).temperature, Row(3).concentration,
                         Row(3).out1, Row(3).out2}) {
        EXPECT_EQ(page->Text(id), "") << id;
    }
    EXPECT_NE(page->Text(Row(2).condComp), "") << "channel 2 is still read";
    const auto& messages = page->ListItems(kChnMessagesRight);
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Channel 3 ID 3..Sensor Not Answering"),
              messages.end());
    const std::vector<int> polled = PolledAddresses(from);
    int visitsOf2 = 0, visitsOf3 = 0;
    for (const int address : polled) (address == 2 ? visitsOf2 : visitsOf3) += 1;
    EXPECT_GE(visitsOf3, 3) << "the silent channel is tried again on every round";
    EXPECT_GE(visitsOf2, visitsOf3) << "the cycle alternates";

    extra[2].Faults().silent = false;
    rig.Run(10 * kSecond);
    EXPECT_NE(page->Text(Row(3).condComp), "");
    const auto& after = page->ListItems(kChnMessagesRight);
    EXPECT_EQ(std::find(after.begin(), after.end(), "Channel 3 ID 3..Sensor Not Answering"),
              after.end());
}

// On a noisy shared line a garbled reply (or an exception) ends that channel's visit at once: the
// cycle moves on at the next tick, the line is never left waiting for a time-out, no sensor is
// taken for gone or reset, and a channel keeps the readings its sensor gave last.
TEST_F(ChannelsPage, garbledRepliesOnANoisyLineNeverStallTheCycleNorBlankAChannel) {
    std::uint32_t seed = 11;
    for (sim::VirtualSensor& sensor : extra) {
        sensor.Faults().corruptProbability = 0.15;
        sensor.Faults().seed = seed++;
    }
    Toggle(1);
    Toggle(2);
    Toggle(3);
    rig.Run(2 * kSecond);
    const std::size_t from = WrittenCount();
    rig.Run(60 * kSecond);
    extra[0].Faults().exceptionReplies = true;  // and a sensor that refuses every request
    rig.Run(10 * kSecond);
    extra[0].Faults().exceptionReplies = false;
    rig.Run(2 * kSecond);

    const auto& times = rig.Line().WriteTimes();
    ASSERT_GT(times.size(), from + 100);
    fw::VirtualClock::Micros longestSilence = 0;
    for (std::size_t i = from + 1; i < times.size(); ++i) {
        longestSilence = std::max(longestSilence, times[i] - times[i - 1]);
    }
    // The poll is reported overdue after six ticks; a garbled reply never waits that long.
    EXPECT_LT(longestSilence, 6 * CommandEngine::kTickMs * fw::kMillisecond);
    const std::vector<int> polled = PolledAddresses(from);
    for (const int address : {1, 2, 3}) {
        EXPECT_GE(std::count(polled.begin(), polled.end(), address), 40) << address;
    }
    for (int channel = 1; channel <= 3; ++channel) {
        EXPECT_NE(page->Text(Row(channel).condComp), "") << channel;
        EXPECT_NE(page->Text(Row(channel).condComp), "0") << channel;
    }
    for (const auto& items :
         {page->ListItems(kChnMessagesLeft), page->ListItems(kChnMessagesRight)}) {
        for (const std::string& item : items) {
            EXPECT_EQ(item.find("Not Answering"), std::string::npos) << item;
            EXPECT_EQ(item.find("Resetting"), std::string::npos) << item;
        }
    }
}

// The channels' sensors are read whole on the page; once the line is back with the sensor in
// use, a setup read from a channel's sensor is no longer taken for that sensor's.
TEST_F(ChannelsPage, aSetupReadFromAChannelIsNotTheConnectedSensorsOnceTheLineIsBack) {
    Toggle(3);
    rig.Run(8 * kSecond);
    Open("Monitor");
    rig.Run(2 * kSecond);
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0);
    if (!rig.Records().SetupReadFromSerial().empty()) {
        EXPECT_EQ(rig.Records().SetupReadFromAddress(), 3);
    }
    EXPECT_FALSE(SetupReadFromConnectedSensor(rig.Records()));
}

TEST_F(ChannelsPage, switchingAChannelOffRestartsTheCycleAtTheLowestChannelStillOn) {
    Toggle(1);
    Toggle(2);
    Toggle(4);
    RunUntilPolling(2);
    Toggle(4);  // not the channel being polled
    const SensorData& s = rig.Records().Sensor;
    EXPECT_EQ(s.ChannelSelected, 1);
    EXPECT_EQ(s.ChannelSwitch, ChannelSwitch::Requested);
    EXPECT_EQ(s.DeviceId, 1);

    Toggle(1);
    Toggle(4);
    RunUntilPolling(4);
    Toggle(1);
    Toggle(1);  // channel 1 on and off again: 2 is now the lowest on
    EXPECT_EQ(s.ChannelSelected, 2);
    Toggle(2);
    Toggle(4);
    EXPECT_EQ(s.ChannelSelected, 0) << "nothing on: nothing selected";
    EXPECT_EQ(s.ChannelSwitch, ChannelSwitch::Idle);
    EXPECT_EQ(page->Text(Row(4).condRaw), "0") << "a channel switched off shows zeros";
}

TEST_F(ChannelsPage, anAddressAbove247IsRefusedWithTheFrameworksRangeMessage) {
    Toggle(1);
    page->UserType(Row(1).address, "17");
    EXPECT_EQ(rig.Records().Sensor.ChannelId[0], 17);
    page->UserType(Row(1).address, "248");
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter an integer between 0 and 247.");
    EXPECT_EQ(rig.Records().Sensor.ChannelId[0], 17);
    EXPECT_EQ(page->Focus(), Row(1).address);
    rig.Run(kSecond);
    Open("Monitor");
    EXPECT_EQ(rig.Records().Sensor.ChannelId[0], 17) << "leaving keeps the accepted address";
}

TEST_F(ChannelsPage, leavingPutsBackTheAddressInUseBeforeThePageTookOver) {
    SensorData& s = rig.Records().Sensor;
    ASSERT_EQ(s.DeviceId, 0);
    Toggle(2);
    Toggle(3);
    rig.Run(3 * kSecond);
    EXPECT_NE(s.DeviceId, 0);

    Open("Monitor");
    EXPECT_EQ(s.DeviceId, 0);
    EXPECT_EQ(s.NewDeviceId, 0);
    EXPECT_EQ(s.LastDeviceId, 0);
    EXPECT_EQ(s.ChannelSwitch, ChannelSwitch::Idle);
    EXPECT_EQ(s.CondComp, 0.0) << "the readings are cleared until the next poll reply";
    const std::size_t from = WrittenCount();
    rig.Run(2 * kSecond);
    for (const int address : PolledAddresses(from)) EXPECT_EQ(address, 0);

    // Back on the page the channels are still on; the sheet closed on it gives the line back too.
    page = &Open("Channels");
    EXPECT_EQ(page->Check(Row(2).onOff), 1);
    rig.Run(3 * kSecond);
    Sheet()->PressCancel();
    rig.Settle();
    EXPECT_EQ(s.DeviceId, 0);
    EXPECT_EQ(s.ChannelSelected, 0);
    EXPECT_EQ(s.ChannelOn[2], 1) << "on/off states are kept for the next sheet";
}

TEST_F(ChannelsPage, applyWhileThePageIsInViewKeepsTheCycleGoing) {
    Toggle(2);
    Open("Communications").UserClick(kComLoadDefaults);  // something to apply
    page = &Open("Channels");
    ASSERT_TRUE(Sheet()->ApplyEnabled());
    Sheet()->PressApply();
    const std::size_t from = WrittenCount();
    rig.Run(3 * kSecond);
    EXPECT_EQ(rig.Records().Sensor.ChannelSelected, 2);
    const std::vector<int> polled = PolledAddresses(from);
    ASSERT_FALSE(polled.empty());
    EXPECT_EQ(polled.back(), 2);
    Sheet()->PressOK();
    rig.Settle();
    EXPECT_EQ(rig.Records().Sensor.DeviceId, 0) << "OK gives the line back";
}

}  // namespace
}  // namespace corvane
