#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "link/command_table.h"
#include "link/download_control.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::kMillisecond;
using fw::kSecond;

class CommandEngineTest : public ::testing::Test {
  protected:
    explicit CommandEngineTest(std::vector<int> addresses = {0}) : link(std::move(addresses)) {}

    SharedRecords& r() { return link.Records(); }
    sim::VirtualSensor& sensor() { return link.Sensor(); }

    std::vector<int> FunctionsWritten(std::size_t from = 0) const {
        std::vector<int> functions;
        const auto& written = link.Line().Written();
        for (std::size_t i = from; i < written.size(); ++i) {
            functions.push_back(written[i][1]);
        }
        return functions;
    }
    std::size_t WriteCount() const { return link.Line().Written().size(); }

    // Runs one tick at a time and returns the tick on which `line` first stands.
    int TickWhenLineAppears(int line, int limit) {
        for (int tick = 1; tick <= limit; ++tick) {
            link.RunTicks(1);
            if (r().Slots.Stands(line)) {
                return link.Ticks();
            }
        }
        return -1;
    }

    sim::SimulatedLink link;
};

TEST_F(CommandEngineTest, answeredPollsGoOutOncePerTickWithReadingsAndSpinner) {
    link.Start();
    link.RunFor(2 * kSecond + 100 * kMillisecond);
    EXPECT_EQ(FunctionsWritten(), std::vector<int>(10, 0x35));
    const auto& times = link.Line().WriteTimes();
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_EQ(times[i] - times[i - 1], 200 * kMillisecond);
    }
    EXPECT_NEAR(r().Sensor.CondComp, 48.0, 3.0);
    EXPECT_NEAR(r().Sensor.Temperature, 22.0, 2.0);
    EXPECT_GT(r().Sensor.Out1Current, 4.0);
    EXPECT_TRUE(r().Engine().SensorAnswering);

    std::vector<std::string> spinner;
    for (int i = 0; i < 3; ++i) {
        link.RunTicks(1);
        spinner.push_back(r().Lines[0]);
    }
    std::sort(spinner.begin(), spinner.end());
    EXPECT_EQ(spinner, (std::vector<std::string>{"Msg 08..Sensor Comms OK   /",
                                                 "Msg 08..Sensor Comms OK   \\",
                                                 "Msg 08..Sensor Comms OK  ---"}));
}

TEST_F(CommandEngineTest, firstTickOpensThePortWithTheDerivedSettings) {
    link.Start();
    r().Sensor.BaudIndex = 3;
    r().Sensor.StopBitsIndex = 1;  // "1.5" opens with one stop bit
    r().Sensor.ParityIndex = 0;
    sensor().Line() = PortSettings{1, 19200, 'E', 8, 1};
    link.RunTicks(2);
    EXPECT_EQ(link.Line().Openings(), 1);
    EXPECT_EQ(link.Line().Settings().BaudRate, 19200);
    EXPECT_EQ(link.Line().Settings().StopBits, 1);
    EXPECT_EQ(link.Line().Settings().Parity, 'E');
    EXPECT_FALSE(r().Engine().ReopenPort);
    EXPECT_TRUE(r().Engine().SensorAnswering);
}

TEST_F(CommandEngineTest, portThatCannotBeOpenedIsNeverWrittenAndTimesOut) {
    link.Line().SetOpenFails(true);
    link.Start();
    EXPECT_EQ(TickWhenLineAppears(1, 30), 7);
    EXPECT_TRUE(r().Engine().TransmitInhibit);
    EXPECT_EQ(WriteCount(), 0u);
    EXPECT_EQ(TickWhenLineAppears(4, 30), 17);
}

TEST_F(CommandEngineTest, silentSensorShowsOverdueTimedOutResettingAtTheirTicks) {
    sensor().Faults().silent = true;
    link.Start();
    EXPECT_EQ(TickWhenLineAppears(1, 30), 7);
    EXPECT_FALSE(r().Slots.Stands(2));
    EXPECT_EQ(TickWhenLineAppears(2, 30), 13);
    EXPECT_FALSE(r().Slots.Stands(1));
    EXPECT_EQ(TickWhenLineAppears(4, 30), 17);
    EXPECT_FALSE(r().Slots.Stands(2));
    link.RunTicks(4);  // tick 21 resets the link
    for (int n = 1; n <= 4; ++n) EXPECT_FALSE(r().Slots.Stands(n));
    EXPECT_EQ(WriteCount(), 1u);
    link.RunTicks(1);
    EXPECT_EQ(WriteCount(), 2u);
    link.RunTicks(21);
    ASSERT_EQ(WriteCount(), 3u);
    const auto& times = link.Line().WriteTimes();
    EXPECT_EQ(times[2] - times[1], 4200 * kMillisecond);
    EXPECT_EQ(r().Sensor.SerialNumber, "Serial Number");
}

TEST_F(CommandEngineTest, linkThatWasUpPutsIdentityBackWhenTheSensorFallsSilent) {
    link.Start();
    link.RunTicks(3);
    r().Sensor.SerialNumber = "VX0100";
    r().Sensor.InstallDate = "14/03/2024";
    r().Sensor.CondComp = 12.0;
    sensor().Faults().silent = true;
    link.RunTicks(21);
    EXPECT_EQ(r().Sensor.SerialNumber, "Serial Number");
    EXPECT_EQ(r().Sensor.InstallDate, "Unknown Install Date");
    EXPECT_EQ(r().Sensor.CondComp, 0.0);
    EXPECT_FALSE(r().Engine().SensorAnswering);
    EXPECT_EQ(r().PageRefresh, PageRefresh::Armed) << "the identity reset asks the pages to reload";
}

TEST_F(CommandEngineTest, queuedCommandsAreServedLowestFirstOnePerExchange) {
    link.Start();
    link.RunTicks(1);
    const std::size_t before = WriteCount();
    Machine(r()).Queue.Queue(WriteOutput1Setup);
    Machine(r()).Queue.Queue(WriteTempSetup);
    Machine(r()).Queue.Queue(WriteOutput1Setup);  // already pending: sent once
    link.RunTicks(4);
    EXPECT_EQ(FunctionsWritten(before), (std::vector<int>{0x50, 0x51, 0x35, 0x35}));
    EXPECT_EQ(r().Slots.Text(7), "Msg 07..Function 0x51 Completed");
}

TEST_F(CommandEngineTest, unansweredCommandIsDroppedAfterItsTimeOut) {
    link.Start();
    link.RunTicks(1);
    sensor().Faults().silent = true;
    Machine(r()).Queue.Queue(WritePlantNumber);  // sent on tick 2
    EXPECT_EQ(TickWhenLineAppears(3, 40), 14);
    EXPECT_EQ(r().Slots.Text(3), "Msg 03..Message Acknowledge Overdue");
    EXPECT_EQ(TickWhenLineAppears(4, 40), 18);
    link.RunTicks(5);
    EXPECT_EQ(FunctionsWritten(1), (std::vector<int>{0x72, 0x35}));
}

TEST_F(CommandEngineTest, calibrationAndDefaultSetupWaitFiftyTicksSilently) {
    sensor().Faults().silent = true;
    link.Start();
    link.RunTicks(21);  // the first poll times out; the next tick serves the long command
    for (const int command : {CalibrateCond92_5, LoadDefaultSetup}) {
        const std::size_t before = WriteCount();
        Machine(r()).Queue.Queue(command);
        for (int tick = 0; tick < 51; ++tick) {
            link.RunTicks(1);
            for (int n = 1; n <= 4; ++n) ASSERT_FALSE(r().Slots.Stands(n)) << "tick " << tick;
        }
        EXPECT_EQ(WriteCount(), before + 1);
        link.RunTicks(1);
        EXPECT_EQ(FunctionsWritten(before).back(), 0x35);
        link.RunTicks(20);  // let that poll time out too
    }
}

TEST_F(CommandEngineTest, answeredCalibrationCompletesAfterSeconds) {
    link.Start();
    link.RunTicks(1);
    Machine(r()).Queue.Queue(CalibrateCond925);
    link.RunTicks(2);
    EXPECT_FALSE(r().Slots.Stands(7));
    link.RunFor(3 * kSecond);
    EXPECT_EQ(r().Slots.Text(7), "Msg 07..Function 0x61 Completed");
}

TEST_F(CommandEngineTest, completionLineIsClearedAfterFortyTicks) {
    link.Start();
    link.RunTicks(1);
    Machine(r()).Queue.Queue(WriteTempSetup);
    link.RunTicks(2);  // sent on one tick, answered before the next
    EXPECT_TRUE(r().Slots.Stands(7));
    link.RunTicks(38);
    EXPECT_TRUE(r().Slots.Stands(7));
    link.RunTicks(1);
    EXPECT_FALSE(r().Slots.Stands(7));
}

TEST_F(CommandEngineTest, finishedUploadArmsThePageRefresh) {
    link.Start();
    Machine(r()).UploadBlock = 0;
    Machine(r()).Queue.Queue(ReadDataBlock);
    EXPECT_TRUE(link.Clock().RunUntilTrue([&] { return r().PageRefresh == PageRefresh::Armed; },
                                          10 * kSecond));
    EXPECT_EQ(r().UploadBlock(), 0);
    EXPECT_EQ(r().Sensor.PlantNumber, "TANK-0");
    EXPECT_EQ(r().Sensor.SerialNumber, "VX0100");
    link.RunTicks(1);
    EXPECT_EQ(r().PageRefresh, PageRefresh::Armed) << "the window that handles it first resets it";
}

TEST_F(CommandEngineTest, exceptionReplyEndsTheExchangeAndTheNextTickSendsAgain) {
    link.Start();
    link.RunTicks(1);
    sensor().Faults().exceptionReplies = true;
    link.RunTicks(1);
    link.RunFor(100 * kMillisecond);
    EXPECT_EQ(r().Slots.Text(5), "Msg 05..Transmit or CRC Error");
    EXPECT_EQ(r().Link().TickCount, 0);
    sensor().Faults().exceptionReplies = false;
    link.RunTicks(2);
    EXPECT_FALSE(r().Slots.Stands(5));
}

TEST_F(CommandEngineTest, strayBytesBetweenExchangesShowReceiveError) {
    link.Start();
    link.RunTicks(1);
    sensor().Faults().strayBytes = true;
    link.RunTicks(1);
    link.RunFor(150 * kMillisecond);
    EXPECT_EQ(r().Slots.Text(6), "Msg 06..Receive or CRC Error");
    sensor().Faults().strayBytes = false;
    link.RunTicks(2);
    EXPECT_FALSE(r().Slots.Stands(6));
}

class FlashBlockTiming : public CommandEngineTest {
  protected:
    void StartBlocks() {
        link.Start();
        link.RunTicks(1);
        Machine(r()).Queue.Queue(FlashBlock);
    }
    // Times between consecutive writes of flash blocks.
    std::vector<fw::VirtualClock::Micros> BlockSendIntervals() const {
        std::vector<fw::VirtualClock::Micros> times;
        const auto& written = link.Line().Written();
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (written[i][1] == 0x68) times.push_back(link.Line().WriteTimes()[i]);
        }
        std::vector<fw::VirtualClock::Micros> intervals;
        for (std::size_t i = 1; i < times.size(); ++i) intervals.push_back(times[i] - times[i - 1]);
        return intervals;
    }
};

TEST_F(FlashBlockTiming, firstAttemptTicksAfterFiftyMillisecondsAResendAfterTwoHundred) {
    StartBlocks();
    sensor().Faults().silent = true;
    link.RunTicks(1);
    ASSERT_EQ(FunctionsWritten().back(), 0x68);
    const auto sentAt = link.Clock().Now();
    link.RunTicks(1);
    EXPECT_EQ(link.Clock().Now() - sentAt, 50 * kMillisecond);
    link.RunTicks(5);  // the sixth waiting tick gives the block up and queues it again
    EXPECT_EQ(r().Engine().BlockRetries, 1);
    EXPECT_EQ(r().Slots.Text(38), "Msg 38..Flash Block 0 Error.. Resending");
    link.RunTicks(1);
    const auto resentAt = link.Clock().Now();
    link.RunTicks(1);
    EXPECT_EQ(link.Clock().Now() - resentAt, 200 * kMillisecond);
    EXPECT_EQ(BlockSendIntervals(), (std::vector<fw::VirtualClock::Micros>{350 * kMillisecond}));
}

TEST_F(FlashBlockTiming, moreThanThirtyTwoFailedAttemptsStopTheDownloadWithABox) {
    StartBlocks();
    Machine(r()).Download.DownloadState = DownloadState::SendingBlocks;
    Machine(r()).Download.BlockTotal = 10;
    Machine(r()).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    sensor().Faults().exceptionReplies = true;
    link.RunFor(30 * kSecond);
    int blocks = 0;
    for (const int f : FunctionsWritten()) blocks += f == 0x68;
    EXPECT_EQ(blocks, 33);
    ASSERT_EQ(link.Host().Boxes().size(), 1u);
    EXPECT_EQ(link.Host().Boxes()[0].box.text, "Program Transfer Failed. Restart The Download !");
    EXPECT_EQ(link.Host().Boxes()[0].box.caption, "Software Download Status");
    EXPECT_EQ(link.Host().Beeps(), std::vector<fw::Beep>{fw::Beep::Exclamation});
    EXPECT_EQ(r().Download().DownloadState, DownloadState::Idle);
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
    EXPECT_EQ(r().Engine().BlockRetries, 0);
    EXPECT_EQ(FunctionsWritten().back(), 0x35) << "the link goes back to polling";
}

class DownloadTimeOuts : public CommandEngineTest {
  protected:
    void SetUp() override {
        sensor().Faults().silent = true;
        link.Start();
        link.RunTicks(21);  // let the first poll time out
    }
};

TEST_F(DownloadTimeOuts, unansweredRequestIsRepeatedWithTheRotatingLine) {
    Machine(r()).Download.DownloadState = DownloadState::Requested;
    Machine(r()).Queue.Queue(RequestDownload);
    link.RunTicks(8);
    EXPECT_EQ(r().Download().DownloadState, DownloadState::Rerequesting);
    std::set<std::string> shown;
    for (int i = 0; i < 6; ++i) {
        link.RunTicks(1);
        shown.insert(r().Slots.Text(36));
    }
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown.count("Msg 36..Requesting Download  ---"));
    link.RunTicks(14);
    int requests = 0;
    for (const int f : FunctionsWritten()) requests += f == 0x66;
    EXPECT_EQ(requests, 4);
    // Cancel: the next time-out finds the download idle and stops.
    AbortDownload(r());
    link.RunTicks(14);
    requests = 0;
    for (const int f : FunctionsWritten()) requests += f == 0x66;
    EXPECT_LE(requests, 5);
    EXPECT_FALSE(r().Slots.Stands(36));
    EXPECT_EQ(FunctionsWritten().back(), 0x35);
}

TEST_F(DownloadTimeOuts, unansweredBlockCountAbortsAfterThirtyTicks) {
    Machine(r()).Download.DownloadState = DownloadState::Erasing;
    Machine(r()).Download.DownloadOrigin = DownloadOrigin::FactoryPage;
    Machine(r()).Queue.Queue(DownloadBlockCount);
    link.RunTicks(30);
    EXPECT_FALSE(r().Slots.Stands(37));
    link.RunTicks(1);
    EXPECT_EQ(r().Slots.Text(37), "Msg 37..Faulty Download Acknowledge");
    EXPECT_EQ(r().Download().DownloadState, DownloadState::Idle);
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
}

// A download that ends in a faulty restart holds nothing afterwards: no stamp, no origin.
TEST_F(DownloadTimeOuts, unansweredFinishReportsFaultyRestartAndFreesTheLink) {
    Machine(r()).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    Machine(r()).Queue.Queue(FinishDownload);
    link.RunTicks(8);
    EXPECT_EQ(r().Slots.Text(39), "Msg 39..Faulty Sensor Restart");
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
}

TEST_F(DownloadTimeOuts, unansweredStampIsSentSixTimesThenGivenUp) {
    Machine(r()).Download.DownloadOrigin = DownloadOrigin::FactoryPage;
    Machine(r()).Queue.Queue(StampInstall);
    link.RunTicks(13);
    EXPECT_EQ(r().Slots.Text(10), "Msg 10..Download Issue Not Returned");
    link.RunTicks(100);
    int stamps = 0;
    for (const int f : FunctionsWritten()) stamps += f == 0x73;
    EXPECT_EQ(stamps, 6);
    EXPECT_FALSE(r().Slots.Stands(10));
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
    EXPECT_EQ(r().Engine().StampRetries, 0);
    EXPECT_FALSE(r().Queue().IsPending(StampInstall));
}

TEST_F(DownloadTimeOuts, abortWithdrawsDownloadCommandsKeepsOthersAndClearsTheOrigin) {
    Machine(r()).Queue.Queue(RequestDownload);
    Machine(r()).Queue.Queue(FlashBlock);
    Machine(r()).Queue.Queue(WriteTempSetup);
    Machine(r()).Download.DownloadState = DownloadState::SendingBlocks;
    Machine(r()).Download.BlockIndex = 4;
    Machine(r()).Download.DownloadOrigin = DownloadOrigin::SoftwarePage;
    Machine(r()).Engine.StampRetries = 2;
    r().Slots.Set(34, "Msg 34..Flash Block 3 Transmitted");
    AbortDownload(r());
    EXPECT_FALSE(r().Queue().IsPending(RequestDownload));
    EXPECT_FALSE(r().Queue().IsPending(FlashBlock));
    EXPECT_TRUE(r().Queue().IsPending(WriteTempSetup));
    EXPECT_EQ(r().Download().BlockIndex, 0u);
    EXPECT_EQ(r().Download().DownloadOrigin, DownloadOrigin::None);
    EXPECT_EQ(r().Engine().StampRetries, 2);
    EXPECT_FALSE(r().Slots.Stands(34));
}

TEST_F(CommandEngineTest, unansweredChannelSwitchIsMarkedTimedOut) {
    link.Start();
    link.RunTicks(1);
    r().Sensor.ChannelId = {9, 2, 3, 4, 5};
    r().Sensor.ChannelSelected = 1;
    r().Sensor.ChannelSwitch = ChannelSwitch::Requested;
    link.RunTicks(25);
    EXPECT_EQ(r().Sensor.DeviceId, 9);
    EXPECT_EQ(r().Sensor.ChannelSwitch, ChannelSwitch::TimedOut);
}

TEST_F(CommandEngineTest, answeredChannelSwitchIsMarkedAnswered) {
    link.Start();
    link.RunTicks(1);
    r().Sensor.ChannelId = {0, 2, 3, 4, 5};
    r().Sensor.ChannelSelected = 1;
    r().Sensor.ChannelSwitch = ChannelSwitch::Requested;
    link.RunTicks(3);
    EXPECT_EQ(r().Sensor.ChannelSwitch, ChannelSwitch::Answered);
}

}  // namespace
}  // namespace corvane

#include "link/frame_trace.h"

namespace corvane {
namespace {

TEST_F(CommandEngineTest, trafficTraceShowsEveryFrameBothWays) {
    std::vector<std::string> trace;
    link.Engine().SetTrace(
        [&](std::span<const std::uint8_t> frame) { trace.push_back(TraceLine(true, frame)); },
        [&](std::span<const std::uint8_t> bytes, FrameEvent event) {
            trace.push_back(TraceLine(false, bytes, event));
        });
    link.Start();
    link.RunTicks(1);
    sensor().Faults().badCrc = true;
    link.RunTicks(1);
    ASSERT_EQ(trace.size(), 4u);
    EXPECT_EQ(trace[0], "TX 00 35 C1 A7");
    EXPECT_EQ(trace[1].substr(0, 8), "RX 00 35");
    EXPECT_EQ(trace[1].size(), 2u + 21u * 3u);
    EXPECT_EQ(trace[3].substr(trace[3].size() - 13), "  (CRC error)");
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The link tells of each poll whose reply was decoded, with the readings the records then hold;
// a reply that fails the frame check, an exception reply and the reply to another request are
// no answer to a poll.
TEST_F(CommandEngineTest, answeredPollObserverSeesEachDecodedPollAndNothingElse) {
    struct Polls : LinkObserver {
        explicit Polls(SharedRecords& r) : records(r) {}
        void PollWasAnswered(const PollAnswered& poll) override {
            EXPECT_EQ(poll.reading.CondComp, records.Sensor.CondComp);
            seen.push_back(poll.reading.CondComp);
        }
        SharedRecords& records;
        std::vector<double> seen;
    } polls(r());
    std::vector<double>& seen = polls.seen;
    link.Link().AddObserver(polls);
    link.Start();
    link.RunTicks(3);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.back(), r().Sensor.CondComp);
    EXPECT_NE(seen.back(), 0.0);

    sensor().Faults().badCrc = true;
    link.RunTicks(2);
    sensor().Faults().badCrc = false;
    sensor().Faults().exceptionReplies = true;
    link.RunTicks(2);
    sensor().Faults().exceptionReplies = false;
    EXPECT_EQ(seen.size(), 3u);

    Machine(r()).Queue.Queue(WriteTempSetup);
    link.RunTicks(3);
    EXPECT_EQ(FunctionsWritten(WriteCount() - 3), (std::vector<int>{0x50, 0x35, 0x35}));
    EXPECT_EQ(seen.size(), 5u);
}

}  // namespace
}  // namespace corvane
