#include "download/hex_image.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "download/image_file.h"
#include "framework/headless/headless_host.h"
#include "hex_text.h"
#include "link/download_sequence.h"
#include "link/link_machine_access.h"

namespace corvane {
namespace {

using testing::Bytes;
using testing::HexRecord;
using testing::kEndRecord;

HexImageCheck Check(const std::string& text) {
    return CheckHexImage(Bytes(text));
}

// Expects the text to be refused for a fault on `line` whose description contains `what`.
void ExpectRefused(const std::string& text, int line, const std::string& what) {
    const HexImageCheck check = Check(text);
    EXPECT_FALSE(check.accepted);
    EXPECT_TRUE(check.blocks.empty());
    EXPECT_EQ(check.faultLine, line) << check.fault;
    if (line > 0) {
        EXPECT_EQ(check.fault.rfind("Line " + std::to_string(line) + ": ", 0), 0u) << check.fault;
    }
    EXPECT_NE(check.fault.find(what), std::string::npos) << check.fault;
}

TEST(HexImageCheck, toolchainFileGivesEveryDataRecordInFileOrder) {
    const std::string text = HexRecord(4, 0, {0, 0}) + HexRecord(0, 0x0100, {1, 2, 3}) +
                             HexRecord(0, 0x0000, {0xAA}) + HexRecord(5, 0, {0, 0, 1, 0}) +
                             kEndRecord;
    const HexImageCheck check = Check(text);
    ASSERT_TRUE(check.accepted) << check.fault;
    ASSERT_EQ(check.blocks.size(), 2u);
    EXPECT_EQ(check.blocks[0].Address, 0x0100);
    EXPECT_EQ(check.blocks[0].Data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(check.blocks[1].Address, 0x0000);
    EXPECT_EQ(check.blocks[1].Data, (std::vector<std::uint8_t>{0xAA}));
}

TEST(HexImageCheck, lowerCaseDigitsAndExtendedAddressZeroAreReadAsTheirValues) {
    // ":0300300002337a" with its checksum, in lower case, after ":020000040000fa" and with LF
    // line ends, as some toolchains write it.
    const std::string text = ":020000040000fa\n:020000020000fc\n:0300300002337a1e\n:00000001ff\n";
    const HexImageCheck check = Check(text);
    ASSERT_TRUE(check.accepted) << check.fault;
    ASSERT_EQ(check.blocks.size(), 1u);
    EXPECT_EQ(check.blocks[0].Address, 0x30);
    EXPECT_EQ(check.blocks[0].Data, (std::vector<std::uint8_t>{0x02, 0x33, 0x7A}));
}

TEST(HexImageCheck, recordOfThreeBytesAt0030GoesOutAsATenByteRequest) {
    SharedRecords r;
    const HexImageCheck check = Check(HexRecord(0, 0x30, {0x02, 0x33, 0x7A}) + kEndRecord);
    ASSERT_TRUE(check.accepted) << check.fault;
    Machine(r).Download.Image = check.blocks;
    Machine(r).Download.BlockTotal = 1;
    fw::VirtualClock clock;
    fw::HeadlessHost host(clock);
    DownloadSequence(host, host).ReadBlock(r);
    EXPECT_EQ(r.Link().RequestLength, 10);
    EXPECT_EQ(r.Link().ReplyLength, 5);
    const auto& f = r.Link().TxFrame;
    EXPECT_EQ((std::vector<std::uint8_t>{f[2], f[3], f[4], f[5], f[6], f[7]}),
              (std::vector<std::uint8_t>{0x00, 0x30, 3, 0x02, 0x33, 0x7A}));
}

TEST(HexImageCheck, eachMalformedRecordIsRefusedNamingItsLine) {
    const std::string good = HexRecord(0, 0, {1, 2});
    ExpectRefused(good + "0200000001FE\r\n" + kEndRecord, 2, "does not start with ':'");
    ExpectRefused(good + ":0100000001F\r\n" + kEndRecord, 2, "odd number of hex digits");
    ExpectRefused(good + ":01000000G1FE\r\n" + kEndRecord, 2, "'G' is not a hex digit");
    ExpectRefused(good + ":0000\r\n" + kEndRecord, 2, "too short");
    // Count 02 but one data byte on the line (checksum right for what is there).
    ExpectRefused(good + ":0200000001FD\r\n" + kEndRecord, 2, "byte count 02 (2) but 1 data");
    ExpectRefused(good + HexRecord(6, 0, {}) + kEndRecord, 2, "unknown record type 06");
    ExpectRefused(good + HexRecord(4, 0, {0}) + kEndRecord, 2, "must carry 2 bytes");
    ExpectRefused(good + ":0100000001FF\r\n" + kEndRecord, 2, "checksum FF, the record needs FE");
    ExpectRefused(good + kEndRecord + good, 3, "follows the end record");
    ExpectRefused(good + HexRecord(0, 0, std::vector<std::uint8_t>(249, 0)) + kEndRecord, 2,
                  "249 data bytes");
}

TEST(HexImageCheck, dataAboveSixtyFourKibibytesIsRefused) {
    const std::string data = HexRecord(0, 0x10, {1});
    ExpectRefused(data + HexRecord(4, 0, {0x00, 0x01}) + data + kEndRecord, 2,
                  "extended address 0001");
    ExpectRefused(data + HexRecord(2, 0, {0x10, 0x00}) + data + kEndRecord, 2,
                  "extended address 1000");
}

TEST(HexImageCheck, aDataRecordThatRunsPastFFFFIsRefusedRatherThanWrappedToZero) {
    // 16 bytes at FFF8: the last eight would land at 0000-0007.
    ExpectRefused(HexRecord(0, 0x10, {1}) + HexRecord(0, 0xFFF8, std::vector<std::uint8_t>(16, 7)) +
                      kEndRecord,
                  2, "16 data bytes at FFF8 run past address FFFF");
    // Up to and including the last address is the sensor's.
    const HexImageCheck top = Check(HexRecord(0, 0xFFF8, std::vector<std::uint8_t>(8, 7)) +
                                    HexRecord(0, 0xFFFF, {1}) + kEndRecord);
    ASSERT_TRUE(top.accepted) << top.fault;
    EXPECT_EQ(top.blocks.size(), 2u);
}

TEST(HexImageCheck, carriageReturnLineEndsAndADosEndOfFileByteAreAccepted) {
    const std::string crOnly = ":0300300002337A1E\r:0100400055 6A\r:00000001FF\r";
    const HexImageCheck cr = Check(":0300300002337A1E\r:01004000556A\r:00000001FF\r");
    ASSERT_TRUE(cr.accepted) << cr.fault;
    ASSERT_EQ(cr.blocks.size(), 2u);
    EXPECT_EQ(cr.blocks[1].Address, 0x40);
    // Lines are still counted one per line end, whichever the file uses.
    ExpectRefused(":0300300002337A1E\r:01004000556B\r:00000001FF\r", 2, "checksum");
    ExpectRefused(crOnly, 2, "is not a hex digit");

    for (const std::string& tail : {std::string("\x1A"), std::string("\x1A\x1A\x1A"),
                                    std::string("\x1Agarbage after the end")}) {
        const HexImageCheck dos = Check(HexRecord(0, 0, {1, 2}) + kEndRecord + tail);
        EXPECT_TRUE(dos.accepted) << dos.fault;
    }
    EXPECT_TRUE(Check(HexRecord(0, 0, {1}) + ":00000001FF\x1A").accepted);
    // Before the end record it is no end of file the image may have.
    ExpectRefused(HexRecord(0, 0, {1}) + "\x1A" + kEndRecord, 2, "comes before the end record");
}

TEST(HexImageCheck, fileWithoutEndOrWithoutDataIsRefused) {
    ExpectRefused(HexRecord(0, 0, {1}), 0, "no end record");
    ExpectRefused("", 0, "no end record");
    ExpectRefused(HexRecord(4, 0, {0, 0}) + kEndRecord, 0, "no data records");
}

TEST(HexImageCheck, blankLinesAndTrailingBlanksAreIgnored) {
    const HexImageCheck check =
        Check("\r\n" + HexRecord(0, 4, {9}).substr(0, 13) + "  \r\n\n" + kEndRecord + "\n\n");
    ASSERT_TRUE(check.accepted) << check.fault;
    EXPECT_EQ(check.blocks.size(), 1u);
}

TEST(ImageFile, missingFolderAndDirectoryGiveTheirCauses) {
    testing::ScratchFolder folder;
    EXPECT_EQ(ReadImageFile(folder.Path("none.Hex"), kImageFileLimit).cause, FileCause::NotFound);
    EXPECT_EQ(ReadImageFile(folder.Path("none/a.Hex"), kImageFileLimit).cause, FileCause::NotFound);
    EXPECT_EQ(ReadImageFile(folder.Path(""), kImageFileLimit).cause, FileCause::InvalidFile);
    EXPECT_STREQ(FileCauseText(FileCause::NotFound), "File Not Found");
    EXPECT_STREQ(FileCauseText(FileCause::EndOfFile), "End Of File Error");
    EXPECT_EQ(CauseOfError(ENOTDIR), FileCause::BadPath);
    EXPECT_EQ(CauseOfError(EACCES), FileCause::AccessDenied);
}

TEST(ImageFile, aDeviceIsNoImageAndIsRefusedWithoutBeingRead) {
#ifdef _WIN32
    EXPECT_EQ(ReadImageFile("NUL", kImageFileLimit).cause, FileCause::InvalidFile);
#else
    EXPECT_EQ(ReadImageFile("/dev/zero", kImageFileLimit).cause, FileCause::InvalidFile);
#endif
}

#ifndef _WIN32
TEST(ImageFilePosix, aPipeIsNoImageAndIsRefusedWithoutWaiting) {
    testing::ScratchFolder folder;
    ASSERT_EQ(mkfifo(folder.Path("pipe.hex").c_str(), 0600), 0);
    EXPECT_EQ(ReadImageFile(folder.Path("pipe.hex"), kImageFileLimit).cause,
              FileCause::InvalidFile);
}
#endif

// Its length as the system measures it, past what a 32-bit long holds (Windows' ftell).
TEST(ImageFile, aFileOfMoreThanTwoGibibytesIsMeasuredTrulyAndNotRead) {
    testing::ScratchFolder folder;
    const std::string path = folder.Write("huge.hex", ":");
    std::error_code ec;
    std::filesystem::resize_file(path, 3ULL << 30, ec);  // sparse: no disk taken
    if (ec) GTEST_SKIP() << "no sparse file of 3 GiB here: " << ec.message();
    const ImageFile huge = ReadImageFile(path, kImageFileLimit);
    EXPECT_EQ(huge.cause, FileCause::None);
    EXPECT_EQ(huge.length, 3ULL << 30);
    EXPECT_TRUE(huge.bytes.empty());
}

TEST(ImageFile, fileOverTheLimitIsMeasuredButNotRead) {
    testing::ScratchFolder folder;
    const std::string path = folder.Write("big.Hex", std::string(101, '\n'));
    const ImageFile over = ReadImageFile(path, 100);
    EXPECT_EQ(over.cause, FileCause::None);
    EXPECT_EQ(over.length, 101u);
    EXPECT_TRUE(over.bytes.empty());
    EXPECT_EQ(ReadImageFile(path, 101).bytes.size(), 101u);
}

}  // namespace
}  // namespace corvane
