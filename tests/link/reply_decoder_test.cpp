#include "link/reply_decoder.h"

#include <gtest/gtest.h>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/status_lines.h"
#include "link_test_support.h"

namespace corvane {
namespace {

using testing::Feed;
using testing::PollReply;
using testing::StartExchange;
using testing::WithCrc;

class ReplyDecoding : public ::testing::Test {
  protected:
    // Requests data block `block` and answers it with `data` (16 bytes).
    void ReceiveBlock(int block, std::vector<std::uint8_t> data) {
        Machine(r).UploadBlock = block;
        StartExchange(r, ReadDataBlock);
        std::vector<std::uint8_t> body{0x00, 0x60};
        data.resize(16, 0);
        body.insert(body.end(), data.begin(), data.end());
        ASSERT_EQ(Feed(r, WithCrc(body)), FrameEvent::Passed);
    }
    SharedRecords r;
};

TEST_F(ReplyDecoding, pollReplyScalesSignedAndUnsignedReadings) {
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {0xFF, 0x9C, 0x03, 0xE8, 0xF6, 0x3C, 0x04, 0xD2, 0x4E, 0x20, 0xFF, 0xFF}));
    EXPECT_DOUBLE_EQ(r.Sensor.CondRaw, -10.0);
    EXPECT_DOUBLE_EQ(r.Sensor.CondComp, 100.0);
    EXPECT_DOUBLE_EQ(r.Sensor.Temperature, -25.0);
    EXPECT_DOUBLE_EQ(r.Sensor.Concentration, 12.34);
    EXPECT_DOUBLE_EQ(r.Sensor.Out1Current, 20.0);
    EXPECT_DOUBLE_EQ(r.Sensor.Out2Current, 65.535);
    EXPECT_TRUE(r.Engine().SensorAnswering);
    EXPECT_FALSE(r.Slots.Stands(7)) << "a poll is not a completed write";
}

TEST_F(ReplyDecoding, firstPollAfterChannelSwitchIsMarkedAnswered) {
    r.Sensor.ChannelSwitch = ChannelSwitch::Requested;
    r.Sensor.ChannelSelected = 2;
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(2, {}));
    EXPECT_EQ(r.Sensor.ChannelSwitch, ChannelSwitch::Answered);
}

TEST_F(ReplyDecoding, completedWriteShowsLineSevenForFortyTicks) {
    StartExchange(r, WriteOutput1Setup);
    Feed(r, WithCrc({0x00, 0x51}));
    EXPECT_EQ(r.Slots.Text(7), "Msg 07..Function 0x51 Completed");
    EXPECT_EQ(r.Engine().CompletedHold, 40);
    EXPECT_FALSE(r.Engine().SensorAnswering);
}

TEST_F(ReplyDecoding, digitalSetupReplyCarriesTheSlope) {
    StartExchange(r, WriteDigitalSetup);
    Feed(r, WithCrc({0x00, 0x53, 0x00, 0xD2}));
    EXPECT_DOUBLE_EQ(r.Sensor.TempCompSlope, 2.10);
    EXPECT_EQ(r.Slots.Text(7), "Msg 07..Function 0x53 Completed");
}

TEST_F(ReplyDecoding, probeAnswerMovesAWaitingScanToFound) {
    Machine(r).ScanState = ScanState::ProbeOutstanding;
    StartExchange(r, ProbeDeviceId);
    Feed(r, WithCrc({0x00, 0x30}));
    EXPECT_EQ(r.ScanState(), ScanState::Found);
    EXPECT_EQ(r.Slots.Text(7), "Msg 07..Function 0x30 Completed");
}

TEST_F(ReplyDecoding, addressChangeIsAdopted) {
    Machine(r).ScanState = ScanState::ChangeSent;
    r.Sensor.NewDeviceId = 42;
    StartExchange(r, ChangeDeviceId);
    Feed(r, WithCrc({0x00, 0x70}));
    EXPECT_EQ(r.ScanState(), ScanState::Finished);
    EXPECT_EQ(r.Sensor.DeviceId, 42);
    EXPECT_EQ(r.Sensor.LastDeviceId, 42);
}

TEST_F(ReplyDecoding, identityBlocksBuildTextsDatesAndIssues) {
    ReceiveBlock(
        0, {0, 'S', 'N', '1', '2', '3', '4', 0x02, 0x01, 0x37, 0x07, 0x12, 0x20, 0x26, 'J', 'o'});
    EXPECT_EQ(r.Sensor.SerialNumber, "SN1234");
    EXPECT_EQ(r.Sensor.InstallIssue, "2.0137");
    EXPECT_EQ(r.Sensor.InstallDate, "07/12/2026");
    EXPECT_EQ(r.Sensor.InstallName, "Jo");
    ReceiveBlock(1, {'h', 'n', ' ', 'F', 'i', 't', 't', 'e', 'r', 0, 0, 0, 0, 0, 0x31, 0x01});
    EXPECT_EQ(r.Sensor.InstallName, "John Fitter");
    EXPECT_EQ(r.Sensor.UpgradeDate, "31/01/");
    ReceiveBlock(
        2, {0x20, 0x27, 'M', 0xE9, 'l', 'a', 'n', 'i', 'e', ' ', 'U', 'p', 'g', 'r', 'a', 'd'});
    EXPECT_EQ(r.Sensor.UpgradeDate, "31/01/2027");
    EXPECT_EQ(r.Sensor.UpgradeName, "Mélanie Upgrad");
    ReceiveBlock(3, {'e', 'r'});
    EXPECT_EQ(r.Sensor.UpgradeName, "Mélanie Upgrader");
    ReceiveBlock(16, {0, 0x03, 0x10, 0x05});
    EXPECT_EQ(r.Sensor.UpgradeIssue, "3.1005");
}

TEST_F(ReplyDecoding, zeroByteEndsATextEvenAcrossBlocks) {
    ReceiveBlock(4, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0x02, 0x19, 0x99, 'A', 0});
    EXPECT_EQ(r.Sensor.CalibrationDate, "01/02/1999");
    EXPECT_EQ(r.Sensor.CalibrationName, "A");
    ReceiveBlock(5, {'B', 'C', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'P', '1'});
    EXPECT_EQ(r.Sensor.CalibrationName, "A") << "characters after the end stay hidden";
    EXPECT_EQ(r.Sensor.PlantNumber, "P1");
    ReceiveBlock(6, {'-', '2', '3', 0, 'x'});
    EXPECT_EQ(r.Sensor.PlantNumber, "P1-23");
}

TEST_F(ReplyDecoding, setupBlockEightWithFahrenheitAndErrorModes) {
    ReceiveBlock(8, {7, 0x01, 0x68, 0x01, 0, 3, 5, 0, 0, 0, 0, 0, 0x00, 0x44, 0x2F, 0x02});
    const SensorData& s = r.Sensor;
    EXPECT_EQ(s.DigitalRange, 7);
    EXPECT_EQ(s.DigitalUnit, "p.p.t.");
    EXPECT_DOUBLE_EQ(s.TempCompSlope, 3.60) << "stored as received";
    EXPECT_EQ(s.TempFahrenheit, 1);
    EXPECT_EQ(s.TempCompBaseHigh, 0);
    EXPECT_EQ(s.TempUnit, "°F");
    EXPECT_EQ(s.TempSlopeUnit, "% / °F");
    EXPECT_EQ(s.TempUnitName, "Degrees Fahrenheit");
    EXPECT_EQ(s.TempCompBaseText, "Temp.Comp.Base 68 °F");
    EXPECT_EQ(s.ConcFilterOn, 0);
    EXPECT_EQ(s.CondFilterOn, 1);
    EXPECT_EQ(s.TempFilterOn, 1);
    EXPECT_EQ(s.DigitalFilter, 5) << "the last non-zero filter byte";
    EXPECT_DOUBLE_EQ(s.TdsFactor, 0.68);
    EXPECT_EQ(s.Out1.Source, 1);
    EXPECT_EQ(s.Out1.ErrorSignal, 1);
    EXPECT_EQ(s.Out1.ErrorHigh, 1);
    EXPECT_EQ(s.Out1.FilterOn, 1);
    EXPECT_EQ(s.Out1.Filter, 2);
}

TEST_F(ReplyDecoding, unknownErrorModeLeavesErrorCurrentUnset) {
    ReceiveBlock(8, {0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x5D, 0});
    EXPECT_EQ(r.Sensor.Out1.Source, 2);
    EXPECT_EQ(r.Sensor.Out1.ErrorSignal, 0);
    EXPECT_EQ(r.Sensor.Out1.ErrorHigh, -1);
    EXPECT_EQ(r.Sensor.TempCompBaseText, "Temp.Comp.Base 25 °C");
    EXPECT_EQ(r.Sensor.DigitalUnit, "");
}

TEST_F(ReplyDecoding, rangeValuesAreScaledBySource) {
    r.Sensor.Out1.Source = 0;
    ReceiveBlock(9, {0x03, 0xE8, 0x03, 0xE8, 0x1D, 0x00, 0x03, 0xE8, 0x03, 0xE8, 5, 'S', 'a', 'l',
                     't', ' '});
    EXPECT_DOUBLE_EQ(r.Sensor.Out1.At4mA, 100.0);
    EXPECT_EQ(r.Sensor.Out2.Source, 2);
    EXPECT_EQ(r.Sensor.Out2.ErrorSignal, 1);
    EXPECT_EQ(r.Sensor.Out2.ErrorHigh, 0);
    EXPECT_EQ(r.Sensor.Out2.FilterOn, 0);
    EXPECT_DOUBLE_EQ(r.Sensor.Out2.At20mA, 10.0);
    EXPECT_EQ(r.Sensor.CustomRangePoints, 5);
    EXPECT_EQ(r.Sensor.CustomRangeText, "Salt ");
}

TEST_F(ReplyDecoding, customRangeBlocks) {
    ReceiveBlock(9, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 'A', 'B', 'C', 'D', 'E'});
    ReceiveBlock(10,
                 {'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U'});
    ReceiveBlock(
        11, {'V', 'W', 'X', 'Y', 'Z', '1', '2', '3', '4', '5', '6', '7', 0x04, 0x56, 0x27, 0x0F});
    EXPECT_EQ(r.Sensor.CustomRangeText, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567");
    EXPECT_DOUBLE_EQ(r.Sensor.CustomConc[0], 11.10);
    EXPECT_DOUBLE_EQ(r.Sensor.CustomConc[1], 99.99);
    std::vector<std::uint8_t> block12;
    for (int n = 3; n <= 9; ++n) {
        block12.push_back(0);
        block12.push_back(static_cast<std::uint8_t>(n));
    }
    block12.push_back(0x00);
    block12.push_back(0x0A);
    ReceiveBlock(12, block12);
    EXPECT_DOUBLE_EQ(r.Sensor.CustomConc[8], 0.09);
    EXPECT_DOUBLE_EQ(r.Sensor.CustomCond[0], 1.0);
    ReceiveBlock(13, {0, 20, 0, 30, 0, 40, 0, 50, 0, 60, 0, 70, 0, 80, 0x27, 0x06});
    EXPECT_DOUBLE_EQ(r.Sensor.CustomCond[1], 2.0);
    EXPECT_DOUBLE_EQ(r.Sensor.CustomCond[8], 999.0);
}

TEST_F(ReplyDecoding, uploadQueuesEachNextBlockAndFinishesAfterSeventeen) {
    ReceiveBlock(0, {});
    EXPECT_EQ(r.Slots.Text(9), "Msg 09..Receiving Data Block 1 of 16");
    EXPECT_EQ(r.UploadBlock(), 1);
    EXPECT_TRUE(r.Queue().IsPending(ReadDataBlock));
    EXPECT_FALSE(r.Slots.Stands(7));

    ReceiveBlock(15, {});
    EXPECT_EQ(r.Slots.Text(9), "Msg 09..Receiving Data Block 16 of 16");
    EXPECT_EQ(r.UploadBlock(), 16);

    Machine(r).Queue.TakeLowest();
    ReceiveBlock(16, {});
    EXPECT_EQ(r.UploadBlock(), 100);
    EXPECT_FALSE(r.Queue().IsPending(ReadDataBlock));
    EXPECT_FALSE(r.Slots.Stands(9));
}

TEST_F(ReplyDecoding, blockReplyOutsideAnUploadChangesNoSetup) {
    Machine(r).UploadBlock = 100;
    StartExchange(r, ReadDataBlock);
    std::vector<std::uint8_t> body(18, 0x11);
    body[0] = 0;
    body[1] = 0x60;
    Feed(r, WithCrc(body));
    EXPECT_EQ(r.Sensor.SerialNumber, "Serial Number");
    EXPECT_EQ(r.UploadBlock(), 100);
    EXPECT_FALSE(r.Queue().IsPending(ReadDataBlock));
}

TEST_F(ReplyDecoding, installStampReturnsIssueToBothRecords) {
    Machine(r).Download.DownloadOrigin = DownloadOrigin::FactoryPage;
    Machine(r).Engine.StampRetries = 3;
    r.Slots.Set(10, "Msg 10..Download Issue Not Returned");
    Machine(r).Queue.Queue(StampInstall);
    StartExchange(r, StampInstall);
    Feed(r, WithCrc({0x00, 0x73, 's', 0x02, 0x01, 0x40}));
    EXPECT_EQ(r.Sensor.InstallIssue, "2.0140");
    EXPECT_EQ(r.Sensor.UpgradeIssue, "2.0140");
    EXPECT_EQ(r.Download().DownloadOrigin, DownloadOrigin::StampAnswered);
    EXPECT_EQ(r.Engine().StampRetries, 0);
    EXPECT_FALSE(r.Slots.Stands(10));
    EXPECT_FALSE(r.Queue().IsPending(StampInstall));
    EXPECT_FALSE(r.Slots.Stands(7)) << "stamps report no completion line";
}

TEST_F(ReplyDecoding, upgradeStampWithWrongStatusKeepsIssuesButStillFinishes) {
    Machine(r).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    r.Sensor.InstallIssue = "1.0000";
    r.Sensor.UpgradeIssue = "1.0000";
    StartExchange(r, StampUpgrade);
    Feed(r, WithCrc({0x00, 0x74, 'x', 0x02, 0x01, 0x40}));
    EXPECT_EQ(r.Sensor.UpgradeIssue, "1.0000");
    EXPECT_EQ(r.Download().DownloadOrigin, DownloadOrigin::StampAnswered);

    StartExchange(r, StampUpgrade);
    Feed(r, WithCrc({0x00, 0x74, 't', 0x03, 0x00, 0x01}));
    EXPECT_EQ(r.Sensor.UpgradeIssue, "3.0001");
    EXPECT_EQ(r.Sensor.InstallIssue, "1.0000");
}

TEST_F(ReplyDecoding, downloadRepliesGoToTheDownloadHandler) {
    struct Recorder : DownloadReplyHandler {
        void OnDownloadReply(SharedRecords&, int function) override { seen.push_back(function); }
        std::vector<int> seen;
    } recorder;
    Machine(r).Download.BlockTotal = 1;
    StartExchange(r, DownloadBlockCount);
    for (const std::uint8_t b : WithCrc({0x00, 0x67, 0x67})) {
        ReceiveByte(r, b, 1, &recorder);
    }
    EXPECT_EQ(recorder.seen, std::vector<int>{0x67});
    EXPECT_EQ(r.Slots.Text(7), "Msg 07..Function 0x67 Completed");
}

}  // namespace
}  // namespace corvane
