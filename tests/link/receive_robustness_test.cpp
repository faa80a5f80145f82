#include <gtest/gtest.h>

#include <random>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link_test_support.h"

namespace corvane {
namespace {

// Random byte streams, delivered in every request context the engine can be in, must never make
// the assembler or decoder leave its buffers (run under AddressSanitizer and
// UndefinedBehaviorSanitizer) or leave the link unable to start the next exchange.
TEST(ReceiveRobustness, randomByteStreamsInEveryRequestContext) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> command(0, 45);
    std::uniform_int_distribution<int> length(0, 600);
    std::uniform_int_distribution<int> oddValue(-5, 300);

    SharedRecords r;
    for (int round = 0; round < 4000; ++round) {
        Machine(r).UploadBlock = oddValue(random);
        Machine(r).ScanState = static_cast<ScanState>(round % 12);
        r.Sensor.DeviceId = byte(random) % 248;
        r.Service.CalOutputsEntered = round % 2 == 1;
        testing::StartExchange(r, command(random));
        if (round % 7 == 0) {
            Machine(r).Link.ReplyLength = oddValue(random) * 2;  // lengths no table row produces
        }
        const int count = length(random);
        for (int i = 0; i < count; ++i) {
            const FrameEvent event = ReceiveByte(r, static_cast<std::uint8_t>(byte(random)), 1);
            if (event != FrameEvent::Incomplete) {
                EXPECT_EQ(r.Link().TickCount, 0);
                EXPECT_EQ(r.Link().RxCount, 0);
            }
        }
        EXPECT_GE(r.Link().RxCount, 0);
        EXPECT_LE(r.Link().RxCount, static_cast<int>(kFrameBufferSize));
    }
}

TEST(ReceiveRobustness, validRepliesAfterGarbageAreStillUnderstood) {
    std::mt19937 random(7);
    SharedRecords r;
    for (int i = 0; i < 500; ++i) {
        ReceiveByte(r, static_cast<std::uint8_t>(random()), 1);
    }
    testing::StartExchange(r, PollMeasurement);
    EXPECT_EQ(testing::Feed(r, testing::PollReply(0, {0x00, 0x64})), FrameEvent::Passed);
    EXPECT_DOUBLE_EQ(r.Sensor.CondRaw, 10.0);
}

}  // namespace
}  // namespace corvane
