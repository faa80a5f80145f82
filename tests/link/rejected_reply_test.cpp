// A reply that fails the frame check is never decoded: it shows the receive error and, per
// function, asks again or gives up, but no value it carries reaches the records.
#include <gtest/gtest.h>

#include "link/address_scan.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/reply_decoder.h"
#include "link/status_lines.h"
#include "link_test_support.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using testing::Feed;
using testing::StartExchange;
using testing::WithCrc;

// `body` with its CRC, then one bit of the CRC flipped.
std::vector<std::uint8_t> WithBadCrc(std::vector<std::uint8_t> body) {
    auto frame = WithCrc(std::move(body));
    frame.back() ^= 0x01;
    return frame;
}

std::vector<std::uint8_t> BlockReply(std::uint8_t fill) {
    std::vector<std::uint8_t> body(18, fill);
    body[0] = 0x00;
    body[1] = 0x60;
    return body;
}

class RejectedReply : public ::testing::Test {
  protected:
    SharedRecords r;
};

TEST_F(RejectedReply, completedWriteIsNotReportedWhenItsReplyFailsTheCheck) {
    StartExchange(r, WriteOutput1Setup);
    EXPECT_EQ(Feed(r, WithBadCrc({0x00, 0x51})), FrameEvent::Failed);
    EXPECT_FALSE(r.Slots.Stands(7)) << "a garbled acknowledge is no completion";
    EXPECT_EQ(r.Engine().CompletedHold, 0);
    EXPECT_EQ(r.Slots.Text(6), "Msg 06..Receive or CRC Error");
    EXPECT_EQ(r.Link().RequestFunction, 0);
    EXPECT_EQ(r.Engine().CurrentCommand, 0);

    r.Sensor.TempCompSlope = 2.0;
    StartExchange(r, WriteDigitalSetup);
    Feed(r, WithBadCrc({0x00, 0x53, 0x01, 0xF4}));
    EXPECT_DOUBLE_EQ(r.Sensor.TempCompSlope, 2.0);
    EXPECT_FALSE(r.Slots.Stands(7));
}

TEST_F(RejectedReply, pollKeepsReadingsAnsweringStateAndChannelSwitch) {
    r.Sensor.Temperature = 21.5;
    r.Sensor.ChannelSwitch = ChannelSwitch::Switched;
    StartExchange(r, PollMeasurement);
    auto reply = testing::PollReply(0, {0x00, 0x00, 0x00, 0x00, 0x7C, 0x5C}, {1, 2, 4, 8, 16});
    reply[7] ^= 0x10;  // line noise in the temperature
    EXPECT_EQ(Feed(r, reply), FrameEvent::Failed);
    EXPECT_DOUBLE_EQ(r.Sensor.Temperature, 21.5);
    EXPECT_FALSE(r.Engine().SensorAnswering);
    EXPECT_EQ(r.Sensor.ChannelSwitch, ChannelSwitch::Rejected) << "the channel's visit ends";
    for (int line = 9; line <= 77; ++line) {
        EXPECT_FALSE(r.Slots.Stands(line)) << "line " << line;
    }
}

TEST_F(RejectedReply, uploadAsksForTheSameBlockAgainAndGivesUpAfterThreeAttempts) {
    Machine(r).UploadBlock = 4;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        StartExchange(r, ReadDataBlock);
        EXPECT_EQ(Feed(r, WithBadCrc(BlockReply(0x41))), FrameEvent::Failed);
        EXPECT_EQ(r.UploadBlock(), 4) << "attempt " << attempt;
        EXPECT_TRUE(r.Queue().IsPending(ReadDataBlock)) << "attempt " << attempt;
        EXPECT_EQ(r.Sensor.CalibrationDate, SensorData{}.CalibrationDate);
        Machine(r).Queue.TakeLowest();
    }
    r.Slots.Set(line::kReceivingDataBlock, line::ReceivingDataBlock(4));
    StartExchange(r, ReadDataBlock);
    Feed(r, WithBadCrc(BlockReply(0x41)));
    EXPECT_FALSE(r.Queue().IsPending(ReadDataBlock)) << "the upload ends at the third failure";
    EXPECT_FALSE(r.Slots.Stands(9));
    EXPECT_EQ(r.UploadBlock(), 4);
}

TEST_F(RejectedReply, aGoodBlockStartsTheCountAfresh) {
    Machine(r).UploadBlock = 2;
    for (int i = 0; i < 2; ++i) {
        StartExchange(r, ReadDataBlock);
        Feed(r, WithBadCrc(BlockReply(0x30)));
        Machine(r).Queue.TakeLowest();
    }
    StartExchange(r, ReadDataBlock);
    ASSERT_EQ(Feed(r, WithCrc(BlockReply(0x30))), FrameEvent::Passed);
    EXPECT_EQ(r.UploadBlock(), 3);
    Machine(r).Queue.TakeLowest();
    for (int i = 0; i < 2; ++i) {
        StartExchange(r, ReadDataBlock);
        Feed(r, WithBadCrc(BlockReply(0x30)));
        EXPECT_TRUE(r.Queue().IsPending(ReadDataBlock)) << "block 3, failure " << i + 1;
        Machine(r).Queue.TakeLowest();
    }
}

TEST_F(RejectedReply, flashBlockIsSentAgainWithoutTheDownloadSeeingTheReply) {
    struct Recorder : DownloadReplyHandler {
        void OnDownloadReply(SharedRecords&, int function) override { seen.push_back(function); }
        std::vector<int> seen;
    } recorder;
    StartExchange(r, FlashBlock);
    for (const std::uint8_t b : WithBadCrc({0x00, 0x68, 'h'})) ReceiveByte(r, b, 1, &recorder);
    EXPECT_TRUE(recorder.seen.empty()) << "a verdict that failed the check must not advance";
    EXPECT_TRUE(r.Queue().IsPending(FlashBlock));
    EXPECT_EQ(r.Engine().BlockRetries, 1);
}

TEST_F(RejectedReply, stampIsQueuedAgainAndItsIssueIgnored) {
    Machine(r).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    r.Sensor.UpgradeIssue = "2.0137";
    StartExchange(r, StampUpgrade);
    Feed(r, WithBadCrc({0x00, 0x74, 't', 0x09, 0x99, 0x99}));
    EXPECT_EQ(r.Sensor.UpgradeIssue, "2.0137");
    EXPECT_EQ(r.Download().DownloadOrigin, DownloadOrigin::SoftwarePage);
    EXPECT_TRUE(r.Queue().IsPending(StampUpgrade));
    EXPECT_EQ(r.Engine().StampRetries, 1);
}

TEST_F(RejectedReply, garbledProbeAnswerCountsAsNoAnswerAndAddressChangeIsNotAdopted) {
    Machine(r).ScanState = ScanState::ProbeOutstanding;
    StartExchange(r, ProbeDeviceId);
    Feed(r, WithBadCrc({0x00, 0x30}));
    EXPECT_EQ(r.ScanState(), ScanState::ProbeTimedOut);

    r.Sensor.DeviceId = 3;
    r.Sensor.NewDeviceId = 9;
    Machine(r).ScanState = ScanState::ChangeSent;
    StartExchange(r, ChangeDeviceId);
    Feed(r, WithBadCrc({0x03, 0x70}));
    EXPECT_EQ(r.Sensor.DeviceId, 3);
    EXPECT_EQ(r.ScanState(), ScanState::ChangeSent);
    EXPECT_FALSE(r.Slots.Stands(7));
}

// A scan over a line where the only sensor's replies all fail the check goes round every
// address and asks the operator, instead of taking the noise for a sensor.
TEST(RejectedReplyOnTheLine, scanDoesNotFindASensorWhoseRepliesAllFailTheCheck) {
    sim::SimulatedLink link({7});
    link.Sensor().Faults().badCrc = true;
    link.Start();
    SharedRecords& r = link.Records();
    r.Sensor.DeviceId = 5;
    Machine(r).ScanState = ScanState::StartSearch;
    for (int i = 0; i < 2000 && link.Host().Boxes().empty(); ++i) link.RunTicks(1);
    ASSERT_FALSE(link.Host().Boxes().empty());
    EXPECT_EQ(link.Host().Boxes().back().box.caption, "No Vexor Sensor Detected");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// An exception reply is five bytes, one more than the answer to a probe or an address change:
// the four bytes the request expects end the exchange as the refusal they start, never as an
// answer (a search goes on past the device); the fifth byte then arrives between exchanges.
TEST(ExceptionReply, toAFourByteRequestEndsAtItsFourthByteAndIsNeverTakenForAnAnswer) {
    for (const int command : {ProbeDeviceId, ChangeDeviceId}) {
        SharedRecords r;
        r.Sensor.DeviceId = 9;
        r.Sensor.NewDeviceId = 12;
        Machine(r).ScanState = ScanState::ProbeOutstanding;
        testing::StartExchange(r, command);
        auto refusal = testing::WithCrc({9, 0xF0, 0x01});
        const std::uint8_t fifth = refusal.back();
        refusal.pop_back();
        EXPECT_EQ(testing::Feed(r, refusal), FrameEvent::Exception) << command;
        EXPECT_EQ(r.Sensor.DeviceId, 9) << "the address stays where it was";
        EXPECT_EQ(r.Link().TickCount, 0) << "the exchange has ended";
        if (command == ProbeDeviceId) {
            EXPECT_EQ(r.ScanState(), ScanState::ProbeTimedOut) << "the search goes on";
        }
        EXPECT_EQ(testing::Feed(r, {fifth}), FrameEvent::Failed) << "a stray byte";
        EXPECT_EQ(r.Sensor.DeviceId, 9);
    }
}

}  // namespace
}  // namespace corvane
