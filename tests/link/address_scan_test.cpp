#include "link/address_scan.h"

#include <gtest/gtest.h>

#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;

class AddressScanTest : public ::testing::Test {
  protected:
    explicit AddressScanTest(std::vector<int> addresses) : link(std::move(addresses)) {}

    SharedRecords& r() { return link.Records(); }

    void StartScanAt(int address, int direction) {
        link.Start();
        link.Link().TalkTo(address);
        link.Link().SearchAddresses(direction == 1);
    }

    // Addresses of the probes sent so far, in order.
    std::vector<int> Probes() const {
        std::vector<int> addresses;
        for (const auto& frame : link.Line().Written()) {
            if (frame[1] == 0x30) addresses.push_back(frame[0]);
        }
        return addresses;
    }

    bool RunUntilBoxes(std::size_t count) {
        return link.Clock().RunUntilTrue([&] { return link.Host().Boxes().size() >= count; },
                                         1200 * kSecond);
    }
    bool RunUntilFinished() {
        return link.Clock().RunUntilTrue([&] { return r().ScanState() == ScanState::Finished; },
                                         10 * kSecond);
    }

    sim::SimulatedLink link;
};

class ScanWithoutSensors : public AddressScanTest {
  protected:
    ScanWithoutSensors() : AddressScanTest({}) {}
};

class ScanWithSensorAt12 : public AddressScanTest {
  protected:
    ScanWithSensorAt12() : AddressScanTest({12}) {}
};

TEST_F(ScanWithoutSensors, searchDownFromZeroProbes247First) {
    StartScanAt(0, 1);
    link.RunTicks(1);
    ASSERT_FALSE(Probes().empty());
    EXPECT_EQ(Probes().front(), 247);
    EXPECT_EQ(r().Slots.Text(42), "Msg 42..Start Modbus Scan ID 247");
    EXPECT_EQ(r().Sensor.LastDeviceId, 0);
    link.RunTicks(7);
    EXPECT_EQ(Probes(), (std::vector<int>{247, 246}));
    EXPECT_EQ(r().Slots.Text(44), "Msg 44.. Scanning Modbus Device ID 246");
    EXPECT_FALSE(r().Slots.Stands(42)) << r().Slots.Text(42);
}

TEST_F(ScanWithoutSensors, fullCircleFromFiveAsksToSearchAgainAndNoRestores) {
    link.Host().ScriptAnswers({Answer::No});
    StartScanAt(5, 0);
    ASSERT_TRUE(RunUntilBoxes(1));
    std::vector<int> expected;
    for (int a = 6; a <= 247; ++a) expected.push_back(a);
    for (int a = 0; a <= 5; ++a) expected.push_back(a);
    EXPECT_EQ(Probes(), expected);
    const auto& shown = link.Host().Boxes()[0];
    EXPECT_EQ(shown.box.text, "Do You Want To Search Again ?");
    EXPECT_EQ(shown.box.caption, "No Vexor Sensor Detected");
    EXPECT_EQ(link.Host().Beeps(), std::vector<fw::Beep>{fw::Beep::Question});
    EXPECT_EQ(r().Slots.Text(45), "Msg 45.. Waiting for User Input");

    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(r().Sensor.DeviceId, 5);
    EXPECT_EQ(r().Slots.Text(43), "Msg 43..Restore Last Modbus ID 5");
    EXPECT_FALSE(r().Slots.Stands(45));
}

TEST_F(ScanWithoutSensors, answeringYesStartsAnotherCircle) {
    link.Host().ScriptAnswers({Answer::Yes, Answer::No});
    StartScanAt(246, 0);
    ASSERT_TRUE(RunUntilBoxes(2));
    EXPECT_EQ(Probes().size(), 2u * 248u);
}

TEST_F(ScanWithSensorAt12, answeringNoGoesOnAtThirteenAndEndsTheCircleAtTwelve) {
    link.Host().ScriptAnswers({Answer::No, Answer::Yes});
    StartScanAt(10, 0);
    ASSERT_TRUE(RunUntilBoxes(1));
    EXPECT_EQ(Probes(), (std::vector<int>{11, 12}));
    EXPECT_EQ(link.Host().Boxes()[0].box.text, "Device Found At ID 12");
    EXPECT_EQ(link.Host().Boxes()[0].box.caption, "Use This Modbus Device ?");
    EXPECT_EQ(link.Host().Boxes()[0].box.buttons, fw::Buttons::YesNoCancel);

    ASSERT_TRUE(RunUntilBoxes(2));
    const auto probes = Probes();
    EXPECT_EQ(probes.size(), 2u + 248u);
    EXPECT_EQ(probes[2], 13);
    EXPECT_EQ(probes.back(), 12);
    EXPECT_EQ(link.Host().Boxes()[1].box.text, "Device Found At ID 12");

    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(r().Sensor.DeviceId, 12);
    EXPECT_EQ(r().Sensor.NewDeviceId, 12);
    EXPECT_EQ(r().Sensor.LastDeviceId, 12);
}

TEST_F(ScanWithSensorAt12, pollsGoOnWhileTheOperatorDecides) {
    link.Host().SetAnswerDelay(5 * kSecond);
    link.Host().ScriptAnswers({Answer::Cancel});
    StartScanAt(11, 0);
    ASSERT_TRUE(RunUntilBoxes(1));
    const std::size_t writesBefore = link.Line().Written().size();
    link.RunFor(4 * kSecond);
    EXPECT_EQ(r().ScanState(), ScanState::AwaitingOperator);
    const auto& written = link.Line().Written();
    EXPECT_GE(written.size() - writesBefore, 15u);
    EXPECT_EQ(written.back()[1], 0x35);
    EXPECT_EQ(written.back()[0], 12);
    EXPECT_EQ(link.Host().Boxes().size(), 1u) << "the prompt is not repeated";
    link.RunFor(2 * kSecond);
    EXPECT_EQ(r().ScanState(), ScanState::Finished);
    EXPECT_EQ(r().Sensor.DeviceId, 11) << "Cancel restores the address the scan started from";
}

TEST_F(ScanWithSensorAt12, addressChangeIsAcknowledgedAndAdopted) {
    link.Start();
    r().Sensor.DeviceId = 12;
    link.RunTicks(2);
    const std::size_t writesBefore = link.Line().Written().size();
    link.Link().ChangeAddress(33);
    // The new address is probed first; nothing answers there, so the change goes ahead.
    for (int i = 0; i < 20 && r().ScanState() != ScanState::ChangeAddress; ++i) link.RunTicks(1);
    ASSERT_EQ(r().ScanState(), ScanState::ChangeAddress);
    ASSERT_GT(link.Line().Written().size(), writesBefore);
    EXPECT_EQ(link.Line().Written()[writesBefore][0], 33);
    EXPECT_EQ(link.Line().Written()[writesBefore][1], 0x30);
    EXPECT_EQ(r().Sensor.DeviceId, 12) << "the polls went back to the sensor while it waited";
    link.RunTicks(1);
    EXPECT_EQ(r().Slots.Text(41), "Msg 41..Setting New Modbus ID 33");
    link.RunTicks(2);
    EXPECT_EQ(r().ScanState(), ScanState::Finished);
    EXPECT_EQ(r().Sensor.DeviceId, 33);
    EXPECT_EQ(r().Sensor.LastDeviceId, 33);
    EXPECT_EQ(link.Sensor().Address(), 33);
    link.RunTicks(3);
    EXPECT_EQ(link.Line().Written().back()[0], 33);
    EXPECT_TRUE(r().Engine().SensorAnswering);
}

TEST_F(ScanWithoutSensors, stopRestoresAndAppliedSettingsFinish) {
    StartScanAt(40, 0);
    link.RunTicks(3);
    EXPECT_EQ(r().Sensor.DeviceId, 41);
    link.Link().StopSearch();  // while a probe is outstanding
    link.RunTicks(4);
    EXPECT_EQ(r().ScanState(), ScanState::Restore) << "acted on at the next sending tick";
    link.RunTicks(1);
    EXPECT_EQ(r().Sensor.DeviceId, 40);
    EXPECT_EQ(r().ScanState(), ScanState::Finished);
    EXPECT_EQ(r().Slots.Text(43), "Msg 43..Restore Last Modbus ID 40");
    link.Link().ConfirmPortSettings();
    ASSERT_TRUE(RunUntilFinished());
}

}  // namespace
}  // namespace corvane
