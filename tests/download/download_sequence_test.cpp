#include "link/download_sequence.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "hex_text.h"
#include "link/command_table.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/record_date.h"
#include "link_test_support.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::kMillisecond;
using fw::kSecond;
using testing::AsFlash;
using testing::PatternImage;

// The download on the sensor link against the virtual sensor, in virtual time.
class DownloadSequenceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        link.Start();
        r().OperatorName = "A. Fitter";
        link.RunTicks(3);
    }

    SharedRecords& r() { return link.Records(); }
    sim::VirtualSensor& sensor() { return link.Sensor(); }

    void Begin(const std::vector<ImageBlock>& image,
               DownloadOrigin origin = DownloadOrigin::SoftwarePage) {
        image_ = image;
        link.Link().StartDownload(image, origin);
    }

    // Frames written with `function`, counted from the write `from` on.
    int Written(int function, std::size_t from = 0) const {
        int count = 0;
        const auto& written = link.Line().Written();
        for (std::size_t i = from; i < written.size(); ++i) count += written[i][1] == function;
        return count;
    }
    std::size_t IndexOfFirst(int function) const {
        const auto& written = link.Line().Written();
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (written[i][1] == function) return i;
        }
        return written.size();
    }
    std::vector<fw::VirtualClock::Micros> TimesOf(int function) const {
        std::vector<fw::VirtualClock::Micros> times;
        const auto& written = link.Line().Written();
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (written[i][1] == function) times.push_back(link.Line().WriteTimes()[i]);
        }
        return times;
    }
    // Runs tick by tick until `done` or `limit` ticks; returns the highest progress seen.
    template <typename Done>
    int RunUntil(Done done, int limit) {
        int progress = 0;
        for (int i = 0; i < limit && !done(); ++i) {
            link.RunTicks(1);
            progress = std::max(progress, r().Download().DownloadProgress);
        }
        return progress;
    }
    bool Idle() {
        return r().Download().DownloadState == DownloadState::Idle &&
               !r().Queue().IsPending(FinishDownload) && r().Link().RequestFunction != 0x69;
    }

    sim::SimulatedLink link;
    std::vector<ImageBlock> image_;
};

TEST_F(DownloadSequenceTest, acceptedBlocksAreFollowedByTheFinishAndTheUpgradeStamp) {
    Begin(PatternImage(12, 16));
    const int progress =
        RunUntil([&] { return Written(0x74) > 0 && r().Link().TickCount == 0; }, 400);
    link.RunTicks(3);
    const std::size_t announced = IndexOfFirst(0x67);
    EXPECT_EQ(Written(0x68, announced) + Written(0x69, announced), 12 + 1);
    EXPECT_EQ(Written(0x68), 12);
    EXPECT_EQ(progress, 100);
    EXPECT_TRUE(sensor().FlashEquals(AsFlash(image_)));
    EXPECT_EQ(sensor().AnnouncedBlocks(), 12);

    const SensorData& s = r().Sensor;
    EXPECT_EQ(s.UpgradeIssue, "2.0200");
    EXPECT_EQ(s.UpgradeName, "A. Fitter");
    EXPECT_EQ(s.UpgradeDate, RecordDateText(link.Host().Now()));
    EXPECT_EQ(s.InstallName, "Unknown Install Name") << "an upgrade leaves the installation";
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
    EXPECT_EQ(link.Host().Beeps(), std::vector<fw::Beep>{fw::Beep::Default});
    EXPECT_TRUE(link.Host().Boxes().empty());
}

TEST_F(DownloadSequenceTest, installationWritesBothRecordsAndTheInstallStamp) {
    Begin(PatternImage(3, 8), DownloadOrigin::FactoryPage);
    RunUntil([&] { return Written(0x73) > 0 && r().Link().TickCount == 0; }, 200);
    link.RunTicks(3);
    const SensorData& s = r().Sensor;
    EXPECT_EQ(s.InstallIssue, "2.0200");
    EXPECT_EQ(s.UpgradeIssue, "2.0200");
    EXPECT_EQ(s.InstallName, "A. Fitter");
    EXPECT_EQ(s.InstallDate, s.UpgradeDate);
    EXPECT_EQ(Written(0x74), 0);
}

TEST_F(DownloadSequenceTest, linesFollowTheStepsOfTheDownload) {
    Begin(PatternImage(3, 8));
    EXPECT_EQ(r().Slots.Text(31), "Msg 31..Preparing Software Download");
    RunUntil([&] { return r().Download().DownloadState == DownloadState::Erasing; }, 20);
    EXPECT_EQ(r().Slots.Text(32), "Msg 32..Erasing Sensor Flash Memory");
    EXPECT_FALSE(r().Slots.Stands(31));
    RunUntil([&] { return r().Download().DownloadState == DownloadState::SendingBlocks; }, 20);
    EXPECT_EQ(r().Slots.Text(33), "Msg 33..Flash Download Starting");
    EXPECT_EQ(r().Slots.Text(7), "Msg 07..Function 0x67 Completed");
    RunUntil([&] { return r().Download().BlockIndex == 2; }, 20);
    EXPECT_EQ(r().Slots.Text(34), "Msg 34..Flash Block 1 Transmitted");
    EXPECT_EQ(r().Download().DownloadProgress, 66);
}

TEST_F(DownloadSequenceTest, finishAnsweredBeforeTheLastBlockAbortsWithTheBox) {
    Begin(PatternImage(10, 8));
    RunUntil([&] { return r().Download().BlockIndex == 4; }, 100);
    Machine(r()).Queue.Queue(
        FinishDownload);  // goes out before the next block: the lowest code first
    RunUntil([&] { return !link.Host().Boxes().empty(); }, 20);
    ASSERT_EQ(link.Host().Boxes().size(), 1u);
    EXPECT_EQ(link.Host().Boxes()[0].box.text, "Program Transfer Failed. Restart The Download !");
    EXPECT_EQ(link.Host().Boxes()[0].box.caption, "Software Download Status");
    EXPECT_EQ(r().Download().DownloadState, DownloadState::Idle);
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
    EXPECT_EQ(r().Download().ImageStatus, 1) << "the operator can start again at once";
    link.RunTicks(10);
    EXPECT_EQ(Written(0x68), 4);
    EXPECT_EQ(Written(0x74), 0);
}

TEST_F(DownloadSequenceTest, thirtyThreeRejectionsOfOneBlockAbortWithoutAThirtyFourthSend) {
    Begin(PatternImage(5, 8));
    sensor().Faults().rejectBlocks = 33;
    RunUntil([&] { return !link.Host().Boxes().empty(); }, 400);
    link.RunTicks(20);
    EXPECT_EQ(Written(0x68), 33);
    ASSERT_EQ(link.Host().Boxes().size(), 1u);
    EXPECT_EQ(link.Host().Boxes()[0].box.text, "Program Transfer Failed. Restart The Download !");
    EXPECT_EQ(r().Download().DownloadState, DownloadState::Idle);
}

TEST_F(DownloadSequenceTest, silentSensorIsAskedAgainWithTheRotatingLineUntilCancel) {
    sensor().Faults().silent = true;
    Begin(PatternImage(2, 8));
    std::set<std::string> shown;
    for (int i = 0; i < 40; ++i) {
        link.RunTicks(1);
        if (r().Slots.Stands(36)) shown.insert(r().Slots.Text(36));
    }
    EXPECT_EQ(shown, (std::set<std::string>{"Msg 36..Requesting Download   \\",
                                            "Msg 36..Requesting Download   /",
                                            "Msg 36..Requesting Download  ---"}));
    // Each attempt waits 1.2 s (six ticks) and the next goes out on the tick after.
    const auto times = TimesOf(0x66);
    ASSERT_GE(times.size(), 5u);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_EQ(times[i] - times[i - 1], 1400 * kMillisecond);
    }
    link.Link().CancelDownload();
    const int before = Written(0x66);
    link.RunTicks(20);
    EXPECT_EQ(Written(0x66), before);
    EXPECT_FALSE(r().Slots.Stands(36));
}

TEST_F(DownloadSequenceTest, eachTimedOutAttemptGoesOutOnce) {
    sensor().Faults().silent = true;
    Begin(PatternImage(4, 8));
    RunUntil([&] { return Written(0x66) == 2; }, 40);
    sensor().Faults().silent = false;  // the third request is answered
    RunUntil([&] { return r().Download().DownloadState == DownloadState::SendingBlocks; }, 40);
    sensor().Faults().silent = true;  // the first two attempts at block 0 go unanswered
    RunUntil([&] { return Written(0x68) == 2; }, 40);
    sensor().Faults().silent = false;
    RunUntil([&] { return Idle() && Written(0x74) > 0; }, 200);
    link.RunTicks(5);
    // Once answered, an attempt that had timed out is not sent a second time.
    EXPECT_EQ(Written(0x66), 3);
    EXPECT_EQ(Written(0x67), 1);
    EXPECT_EQ(Written(0x68), 4 + 2);
    EXPECT_EQ(Written(0x69), 1);
    EXPECT_EQ(Written(0x74), 1);
    EXPECT_TRUE(sensor().FlashEquals(AsFlash(image_)));
}

TEST_F(DownloadSequenceTest, cancelWhileBlocksFlowSendsNothingFurther) {
    Begin(PatternImage(20, 8));
    RunUntil([&] { return r().Download().BlockIndex == 5; }, 100);
    link.Link().CancelDownload();
    const int blocks = Written(0x68);
    link.RunTicks(20);
    EXPECT_EQ(Written(0x68), blocks);
    EXPECT_EQ(Written(0x69), 0);
    EXPECT_EQ(r().Download().DownloadProgress, 0);
    EXPECT_EQ(r().Download().BlockIndex, 0u);
    EXPECT_TRUE(link.Host().Boxes().empty());
}

TEST_F(DownloadSequenceTest, unknownVerdictResendsTheBlockWithoutCounting) {
    SharedRecords& rr = r();
    Machine(rr).Download.Image = PatternImage(2, 4);
    Machine(rr).Download.BlockTotal = 2;
    Machine(rr).Download.DownloadState = DownloadState::SendingBlocks;
    testing::StartExchange(rr, FlashBlock);
    Machine(rr).Link.TickCount = 1;
    for (const std::uint8_t b : testing::WithCrc({0, 0x68, 0x5A})) {
        link.Engine().OnSerialByte(b, 1);
    }
    EXPECT_EQ(rr.Slots.Text(38), "Msg 80..Specific 0x5a Returned Hex Code");
    EXPECT_EQ(rr.Engine().BlockRetries, 0);
    EXPECT_EQ(rr.Download().BlockIndex, 0u);
    EXPECT_TRUE(rr.Queue().IsPending(FlashBlock));
}

TEST_F(DownloadSequenceTest, blockReplyThatFailsItsCheckSendsTheSameBlockAgain) {
    SharedRecords& rr = r();
    Machine(rr).Download.Image = PatternImage(2, 4);
    Machine(rr).Download.BlockTotal = 2;
    Machine(rr).Download.DownloadState = DownloadState::SendingBlocks;
    testing::StartExchange(rr, FlashBlock);
    auto reply = testing::WithCrc({0, 0x68, 'h'});
    reply.back() ^= 0x01;
    for (const std::uint8_t b : reply) link.Engine().OnSerialByte(b, 1);
    EXPECT_EQ(rr.Download().BlockIndex, 0u) << "an 'h' that fails its check is not believed";
    EXPECT_EQ(rr.Engine().BlockRetries, 1);
    EXPECT_TRUE(rr.Queue().IsPending(FlashBlock));
}

TEST_F(DownloadSequenceTest, repliesToTheOtherStepsThatFailTheirCheckDoNotStallTheDownload) {
    SharedRecords& rr = r();
    const auto garbled = [&](int command, std::vector<std::uint8_t> body) {
        testing::StartExchange(rr, command);
        auto reply = testing::WithCrc(std::move(body));
        reply.back() ^= 0x01;
        for (const std::uint8_t b : reply) link.Engine().OnSerialByte(b, 1);
    };
    Machine(rr).Download.DownloadState = DownloadState::Requested;
    garbled(RequestDownload, {0, 0x66, 0x66});
    EXPECT_EQ(rr.Download().DownloadState, DownloadState::Rerequesting);
    EXPECT_TRUE(rr.Queue().IsPending(RequestDownload));

    Machine(rr).Download.DownloadState = DownloadState::Erasing;
    garbled(DownloadBlockCount, {0, 0x67, 0x67});
    EXPECT_TRUE(rr.Queue().IsPending(DownloadBlockCount));
    EXPECT_EQ(rr.Engine().BlockRetries, 1);

    Machine(rr).Download.DownloadState = DownloadState::SendingBlocks;
    Machine(rr).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    garbled(FinishDownload, {0, 0x69, 0x69});
    EXPECT_EQ(rr.Download().DownloadState, DownloadState::Idle);
    EXPECT_EQ(rr.Slots.Text(39), "Msg 39..Faulty Sensor Restart");
    EXPECT_FALSE(rr.Queue().IsPending(StampUpgrade));
}

TEST_F(DownloadSequenceTest, stampWithAWrongStatusByteKeepsTheIssueAndStillRefreshes) {
    SharedRecords& rr = r();
    rr.Sensor.UpgradeIssue = "2.0137";
    Machine(rr).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    testing::StartExchange(rr, StampUpgrade);
    for (const std::uint8_t b : testing::WithCrc({0, 0x74, 'x', 0x02, 0x12, 0x34})) {
        link.Engine().OnSerialByte(b, 1);
    }
    EXPECT_EQ(rr.Sensor.UpgradeIssue, "2.0137");
    EXPECT_FALSE(rr.Queue().IsPending(StampUpgrade));
    EXPECT_EQ(rr.Download().DownloadOrigin, DownloadOrigin::StampAnswered);
    link.RunTicks(1);
    EXPECT_EQ(rr.PageRefresh, PageRefresh::Armed);
}

TEST(RecordDateText, isWrittenAsTheDayMonthYearAndTime) {
    EXPECT_EQ(RecordDateText(fw::DateTime{2026, 12, 7, 9, 5, 0, 1}), " Mon, 07 Dec 2026 at 09:05");
}

// The Calibration, Software and Factory pages all stamp with this text, so the first and last
// names of the week and of the year must each land on their own index.
TEST(RecordDateText, namesTheFirstAndLastDaysOfTheWeekAndMonthsOfTheYear) {
    EXPECT_EQ(RecordDateText(fw::DateTime{2026, 1, 4, 0, 0, 0, 0}), " Sun, 04 Jan 2026 at 00:00");
    EXPECT_EQ(RecordDateText(fw::DateTime{2027, 12, 31, 23, 59, 59, 5}),
              " Fri, 31 Dec 2027 at 23:59");
    EXPECT_EQ(RecordDateText(fw::DateTime{2026, 1, 10, 12, 30, 0, 6}),
              " Sat, 10 Jan 2026 at 12:30");
}

// A 64 KiB image with a tenth of the block replies lost or garbled still arrives whole: every
// failed attempt is sent again, and the flash ends up holding exactly the image.
TEST_F(DownloadSequenceTest, sixtyFourKibibytesArriveWholeWithATenthOfTheRepliesLost) {
    sim::FaultModes& faults = sensor().Faults();
    faults.blockDropProbability = 0.05;
    faults.blockCorruptProbability = 0.05;
    faults.seed = 20261207;
    Begin(PatternImage(4096, 16));
    RunUntil([&] { return Idle() && Written(0x74) > 0 && r().Link().TickCount == 0; }, 40000);
    link.RunTicks(3);
    EXPECT_TRUE(sensor().FlashEquals(AsFlash(image_)));
    EXPECT_EQ(r().Sensor.UpgradeIssue, "2.0200");
    EXPECT_GT(Written(0x68), 4096 + 4096 / 20);  // failed attempts were sent again
    EXPECT_TRUE(link.Host().Boxes().empty());
}

// Without faults the blocks go out one per 50 ms tick: (blocks + 1) x 50 ms from the
// announcement's reply to the finish, plus the hand-shakes of request and announcement.
TEST_F(DownloadSequenceTest, sixtyFourKibibytesWithoutFaultsTakeFiftyMillisecondsABlock) {
    constexpr int kBlocks = 4096;
    Begin(PatternImage(kBlocks, 16));
    const auto start = link.Clock().Now();
    RunUntil([&] { return Written(0x69) > 0; }, 40000);
    const auto elapsed = link.Clock().Now() - start;
    const auto expected = (kBlocks + 1) * 50 * kMillisecond;
    const double ratio = static_cast<double>(elapsed) / static_cast<double>(expected);
    EXPECT_GT(ratio, 1.0);
    EXPECT_LT(ratio, 1.03) << elapsed / kMillisecond << " ms";
    EXPECT_TRUE(sensor().FlashEquals(AsFlash(image_)));
}

}  // namespace
}  // namespace corvane
