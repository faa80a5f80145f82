#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "link/command_table.h"
#include "link_test_support.h"

namespace corvane {
namespace {

using testing::Feed;
using testing::PollReply;
using testing::StartExchange;

std::vector<std::string> StandingLines(const SharedRecords& r) {
    MessageLines lines;
    BuildMessageLines(r.Slots, lines);
    std::vector<std::string> out;
    for (const auto& line : lines) {
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

TEST(DeviceStatus, tempCompErrorStandsAboveOverRange) {
    SharedRecords r;
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}, {0x11, 0, 0, 0, 0}));
    EXPECT_EQ(StandingLines(r),
              (std::vector<std::string>{"Msg 11..Temp Comp Err", "Msg 12..Cond Over-rng"}));
}

TEST(DeviceStatus, everyStatusByteSetsItsOwnLines) {
    SharedRecords r;
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}, {0x00, 0x81, 0x44, 0x10, 0x22}));
    EXPECT_EQ(StandingLines(r),
              (std::vector<std::string>{"Msg 23..Output 1 Fault", "Msg 26..Output 2 < 2 mA",
                                        "Msg 52..EE Cksum B Error", "Msg 55..ADC R/W Error",
                                        "Msg 63..Cond Rng 3 Z L Err", "Msg 67..Cond Rng 3 Z H Err",
                                        "Msg 75..Cond Rng 1 S H Err"}));
}

TEST(DeviceStatus, unlistedBitsAreIgnored) {
    SharedRecords r;
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}, {0, 0, 0x88, 0x88, 0xC8}));
    EXPECT_TRUE(StandingLines(r).empty());
}

TEST(DeviceStatus, lineDisappearsWithTheFirstReplyWithoutItsBit) {
    SharedRecords r;
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}, {0xFF, 0xFF, 0x77, 0x77, 0x37}));
    EXPECT_EQ(StandingLines(r).size(), 10u);
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}, {0x00, 0x00, 0x00, 0x00, 0x01}));
    EXPECT_EQ(StandingLines(r), std::vector<std::string>{"Msg 51..EE Cksum A Error"});
}

TEST(DeviceStatus, answeredPollClearsUploadScanAndDownloadLines) {
    SharedRecords r;
    for (const int n : {9, 10, 31, 36, 39, 41, 45}) {
        r.Slots.Set(n, "Msg");
    }
    r.Slots.Set(8, "Msg 08..Sensor Comms OK   /");
    r.Slots.Set(46, "Msg 46");
    StartExchange(r, PollMeasurement);
    Feed(r, PollReply(0, {}));
    EXPECT_EQ(StandingLines(r),
              (std::vector<std::string>{"Msg 08..Sensor Comms OK   /", "Msg 46"}));
}

TEST(MessageLinesBuild, onlyTheTenLowestNumberedLinesShow) {
    MessageSlots slots;
    for (const int n : {84, 3, 12, 1, 40, 22, 9, 61, 70, 77, 5}) {
        slots.Set(n, "Msg " + std::to_string(n));
    }
    MessageLines lines;
    lines.fill("stale");
    BuildMessageLines(slots, lines);
    EXPECT_EQ(lines.front(), "Msg 1");
    EXPECT_EQ(lines.back(), "Msg 77");
    slots.Clear(3);
    BuildMessageLines(slots, lines);
    EXPECT_EQ(lines.back(), "Msg 84");

    slots.ClearAll();
    slots.Set(50, "Msg 50");
    BuildMessageLines(slots, lines);
    EXPECT_EQ(lines[0], "Msg 50");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[9], "");
}

TEST(MessageLinesBuild, slotNumbersOutsideTheTableAreRefused) {
    MessageSlots slots;
    slots.Set(0, "zero");
    slots.Set(85, "beyond");
    EXPECT_FALSE(slots.Stands(0));
    EXPECT_FALSE(slots.Stands(85));
    EXPECT_EQ(slots.Text(-7), "");
}

TEST(StatusTexts, completionLineUsesLowerCaseHex) {
    EXPECT_EQ(line::FunctionCompleted(0x5a), "Msg 07..Function 0x5a Completed");
    EXPECT_EQ(line::FunctionCompleted(0x61), "Msg 07..Function 0x61 Completed");
}

// Each line's text starts with its own number, so a line never stands in another's slot.
TEST(StatusTexts, everyLineOfTheTableCarriesItsOwnNumber) {
    const auto prefix = [](int number) {
        char text[16];
        std::snprintf(text, sizeof text, "Msg %02d..", number);
        return std::string(text);
    };
    for (const StatusLine& fixed : line::kFixedLines) {
        EXPECT_EQ(fixed.text.substr(0, 8), prefix(fixed.number)) << fixed.text;
    }
    const std::vector<std::pair<int, std::string>> built = {
        {line::kFunctionCompleted, line::FunctionCompleted(0x51)},
        {line::kReceivingDataBlock, line::ReceivingDataBlock(3)},
        {line::kFlashBlockResending, line::FlashBlockResending(12)},
        {line::kSettingNewId, line::SettingNewId(9)},
        {line::kStartScan, line::StartScan(9)},
        {line::kRestoreLastId, line::RestoreLastId(9)},
        {line::kScanningId, line::ScanningId(9)},
        {line::kSensorCommsOk, std::string(line::kSensorCommsOkPhases[2])},
        {line::kRequestingDownload, std::string(line::kRequestingDownloadPhases[1])},
    };
    for (const auto& [number, text] : built) {
        EXPECT_EQ(text.substr(0, 8), prefix(number)) << text;
    }
    EXPECT_EQ(line::FlashBlockResending(12), "Msg 38..Flash Block 12 Error.. Resending");
    EXPECT_EQ(line::ScanningId(9), "Msg 44.. Scanning Modbus Device ID 9");
}

}  // namespace
}  // namespace corvane
