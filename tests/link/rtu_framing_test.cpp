#include <gtest/gtest.h>

#include <string_view>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link_test_support.h"

namespace corvane {
namespace {

using testing::Feed;
using testing::PollReply;
using testing::SentFrame;
using testing::StartExchange;
using testing::WithCrc;

TEST(Crc16, matchesTheModbusCheckValue) {
    constexpr std::string_view kCheck = "123456789";
    const std::vector<std::uint8_t> bytes(kCheck.begin(), kCheck.end());
    EXPECT_EQ(Crc16(bytes), 0x4B37);
    EXPECT_EQ(Crc16({}), 0xFFFF);
}

TEST(RequestFraming, pollToAddressFiveIsFourBytesWithCrcLowFirst) {
    SharedRecords r;
    r.Sensor.DeviceId = 5;
    StartExchange(r, PollMeasurement);
    const std::uint16_t crc = Crc16(std::vector<std::uint8_t>{0x05, 0x35});
    EXPECT_EQ(SentFrame(r), (std::vector<std::uint8_t>{0x05, 0x35, static_cast<std::uint8_t>(crc),
                                                       static_cast<std::uint8_t>(crc >> 8)}));
    EXPECT_EQ(r.Link().TickCount, 1);
    EXPECT_EQ(r.Link().ReplyLength, 21);
}

TEST(RequestFraming, downloadFramesGoToTheBroadcastAddress) {
    SharedRecords r;
    r.Sensor.DeviceId = 9;
    for (const int command : {RequestDownload, DownloadBlockCount, FlashBlock, FinishDownload,
                              StampInstall, StampUpgrade}) {
        StartExchange(r, command);
        EXPECT_EQ(r.Link().TxFrame[0], 0) << "command " << command;
    }
    StartExchange(r, WriteTempSetup);
    EXPECT_EQ(r.Link().TxFrame[0], 9);
}

TEST(RequestFraming, everyFinishedFramePassesItsOwnCheck) {
    SharedRecords r;
    for (int command = 0; command <= 40; ++command) {
        r.Service.CalOutputsEntered = true;
        StartExchange(r, command);
        EXPECT_TRUE(FrameCheckPasses(r.Link().TxFrame.data(), r.Link().RequestLength))
            << "command " << command;
    }
}

class ReceivePath : public ::testing::Test {
  protected:
    SharedRecords r;
};

TEST_F(ReceivePath, exceptionIsRecognisedAtTheFifthByteFromOwnAddressOnly) {
    r.Sensor.DeviceId = 3;
    StartExchange(r, WriteTempSetup);  // normal reply is 4 bytes
    Machine(r).Link.ReplyLength = 8;   // pretend a longer reply so the fifth byte is reached
    EXPECT_EQ(Feed(r, {0x03, 0xD0, 0x01, 0x00}), FrameEvent::Incomplete);
    EXPECT_EQ(Feed(r, {0x00}), FrameEvent::Exception);
    EXPECT_EQ(r.Slots.Text(5), "Msg 05..Transmit or CRC Error");
    EXPECT_FALSE(r.Slots.Stands(6));
    EXPECT_EQ(r.Link().RequestFunction, 0);
    EXPECT_EQ(r.Link().TickCount, 0);
    EXPECT_EQ(r.Link().RxCount, 0);
}

TEST_F(ReceivePath, exceptionFromAnotherAddressIsAssembledToFullLength) {
    r.Sensor.DeviceId = 3;
    StartExchange(r, LoadDefaultSetup);  // reply 5 bytes
    Machine(r).Link.ReplyLength = 8;
    EXPECT_EQ(Feed(r, {0x04, 0xB1, 0x01, 0x00, 0x00}), FrameEvent::Incomplete);
    EXPECT_EQ(Feed(r, {0x00, 0x00, 0x00}), FrameEvent::Failed);
    EXPECT_FALSE(r.Slots.Stands(5));
    EXPECT_EQ(r.Slots.Text(6), "Msg 06..Receive or CRC Error");
}

TEST_F(ReceivePath, aFourByteReplyCompletesAndARefusalEndsAtItsFourthByte) {
    r.Sensor.DeviceId = 2;
    StartExchange(r, WriteTempSetup);
    EXPECT_EQ(Feed(r, WithCrc({0x02, 0x50})), FrameEvent::Passed);
    EXPECT_EQ(r.Slots.Text(7), "Msg 07..Function 0x50 Completed");

    // The sensor's refusal is five bytes: the four the write expects end the exchange as the
    // exception it is, never as a completed write, and the fifth arrives between exchanges.
    r.Slots.ClearAll();
    StartExchange(r, WriteTempSetup);
    EXPECT_EQ(Feed(r, WithCrc({0x02, 0xD0})), FrameEvent::Exception);
    EXPECT_EQ(r.Slots.Text(5), "Msg 05..Transmit or CRC Error");
    EXPECT_FALSE(r.Slots.Stands(7));
    EXPECT_EQ(Feed(r, {0x00}), FrameEvent::Failed);
    EXPECT_FALSE(r.Slots.Stands(7));
}

TEST_F(ReceivePath, corruptedPollReplyReportsTheErrorAndKeepsTheReadings) {
    StartExchange(r, PollMeasurement);
    ASSERT_EQ(Feed(r, PollReply(0, {0x00, 0x64})), FrameEvent::Passed);
    StartExchange(r, PollMeasurement);
    auto reply = PollReply(0, {0x00, 0x7B, 0x01, 0x2C}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    reply.back() ^= 0xFF;
    EXPECT_EQ(Feed(r, reply), FrameEvent::Failed);
    EXPECT_DOUBLE_EQ(r.Sensor.CondRaw, 10.0);
    EXPECT_DOUBLE_EQ(r.Sensor.CondComp, 0.0);
    EXPECT_EQ(r.Slots.Text(6), "Msg 06..Receive or CRC Error");
    for (int line = 11; line <= 77; ++line) {
        EXPECT_FALSE(r.Slots.Stands(line)) << "device line " << line;
    }
}

TEST_F(ReceivePath, goodReplyClearsEarlierFrameErrors) {
    r.Slots.Set(5, "Msg 05..Transmit or CRC Error");
    r.Slots.Set(6, "Msg 06..Receive or CRC Error");
    StartExchange(r, PollMeasurement);
    EXPECT_EQ(Feed(r, PollReply(0, {})), FrameEvent::Passed);
    EXPECT_FALSE(r.Slots.Stands(5));
    EXPECT_FALSE(r.Slots.Stands(6));
    EXPECT_EQ(r.Link().TickCount, 0);
    EXPECT_EQ(r.Engine().CurrentCommand, 0);
}

TEST_F(ReceivePath, strayByteBetweenExchangesShowsReceiveError) {
    Machine(r).Engine.CurrentCommand = WriteTempSetup;
    EXPECT_EQ(Feed(r, {0x42}), FrameEvent::Failed);
    EXPECT_EQ(r.Slots.Text(6), "Msg 06..Receive or CRC Error");
    EXPECT_EQ(r.Engine().CurrentCommand, 0);
    EXPECT_EQ(r.Link().RxCount, 0);
}

TEST_F(ReceivePath, bytesFromAnUnknownPortAreIgnored) {
    StartExchange(r, PollMeasurement);
    EXPECT_EQ(ReceiveByte(r, 0x00, 0), FrameEvent::Ignored);
    EXPECT_EQ(ReceiveByte(r, 0x00, 5), FrameEvent::Ignored);
    EXPECT_EQ(r.Link().RxCount, 0);
    EXPECT_EQ(ReceiveByte(r, 0x00, 4), FrameEvent::Incomplete);
}

TEST_F(ReceivePath, failedDownloadFramesAreQueuedAgainAndCounted) {
    Machine(r).Queue.TakeLowest();
    StartExchange(r, FlashBlock);
    EXPECT_EQ(Feed(r, {0x00, 0xE8, 0x01, 0x00, 0x00}), FrameEvent::Exception);
    EXPECT_TRUE(r.Queue().IsPending(FlashBlock));
    EXPECT_TRUE(r.Queue().FlagRaised());
    EXPECT_EQ(r.Engine().BlockRetries, 1);

    StartExchange(r, StampInstall);
    EXPECT_EQ(Feed(r, {0x01, 0x73, 0x73, 0x01, 0x23, 0x45, 0x00, 0x00}), FrameEvent::Failed);
    EXPECT_TRUE(r.Queue().IsPending(StampInstall));
    EXPECT_EQ(r.Engine().StampRetries, 1);

    StartExchange(r, StampUpgrade);
    EXPECT_EQ(Feed(r, {0x00, 0xF4, 0x02, 0x00, 0x00}), FrameEvent::Exception);
    EXPECT_TRUE(r.Queue().IsPending(StampUpgrade));
    EXPECT_EQ(r.Engine().StampRetries, 2);
}

TEST_F(ReceivePath, failedOrdinaryCommandIsNotQueuedAgain) {
    StartExchange(r, WriteOutput1Setup);
    EXPECT_EQ(Feed(r, {0x00, 0x51, 0xAA, 0xBB}), FrameEvent::Failed);
    EXPECT_FALSE(r.Queue().IsPending(WriteOutput1Setup));
    EXPECT_FALSE(r.Queue().FlagRaised());
}

}  // namespace
}  // namespace corvane
