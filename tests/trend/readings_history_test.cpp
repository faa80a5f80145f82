#include "trend/readings_history.h"

#include <gtest/gtest.h>

#include "link/link_machine_access.h"
#include "link/sensor_link.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

using std::chrono::milliseconds;
using std::chrono::system_clock;

const system_clock::time_point kStart = system_clock::from_time_t(1'796'000'400);

system_clock::time_point At(std::int64_t ms) {
    return kStart + milliseconds(ms);
}

// Records holding the decoded reply of a poll answered by the sensor at `address`.
SharedRecords Answered(int address, double condRaw) {
    SharedRecords r;
    Machine(r).Link.RxFrame[0] = static_cast<std::uint8_t>(address);
    r.Sensor.CondRaw = condRaw;
    r.Sensor.CondComp = 2;
    r.Sensor.Temperature = 3;
    r.Sensor.Concentration = 4;
    r.Sensor.Out1Current = 5;
    r.Sensor.Out2Current = 6;
    return r;
}

std::vector<std::string> MarkTexts(const ReadingsHistory& history) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < history.Marks().Size(); ++i) {
        texts.push_back(history.Marks()[i].text);
    }
    return texts;
}

TEST(ReadingsHistory, anAnsweredPollKeepsItsTimeItsSixReadingsAndWhoseReplyItWas) {
    ReadingsHistory history;
    const SharedRecords r = Answered(0, 45.3);
    history.PollWasAnswered(PollAnsweredOf(r, At(1'234)));
    ASSERT_EQ(history.Samples().Size(), 1u);
    const TrendSample& s = history.Samples().Newest();
    EXPECT_EQ(s.timeMs, MillisecondsOf(kStart) + 1'234);
    EXPECT_EQ(s.values, (std::array<double, 6>{45.3, 2, 3, 4, 5, 6}));
    EXPECT_EQ(s.channel, 0);
    EXPECT_EQ(s.address, 0);
    EXPECT_EQ(history.AnsweredPolls(), 1u);
}

TEST(ReadingsHistory, whileTheChannelsPagePollsARepliesBelongToTheChannelOfItsAddress) {
    ReadingsHistory history;
    SharedRecords r = Answered(7, 1);
    r.Sensor.ChannelId = {1, 7, 3, 7, 5};
    r.Sensor.ChannelSwitch = ChannelSwitch::Answered;
    r.Sensor.ChannelSelected = 4;  // channels 2 and 4 share address 7: the selected one wins
    history.PollWasAnswered(PollAnsweredOf(r, At(0)));
    EXPECT_EQ(history.Samples().Newest().channel, 4);

    r.Sensor.ChannelSelected = 5;  // the reply came from 7, not from channel 5's address
    history.PollWasAnswered(PollAnsweredOf(r, At(200)));
    EXPECT_EQ(history.Samples().Newest().channel, 2);

    Machine(r).Link.RxFrame[0] = 9;  // no channel has this address
    history.PollWasAnswered(PollAnsweredOf(r, At(400)));
    EXPECT_EQ(history.Samples().Newest().channel, -1);

    r.Sensor.ChannelSwitch = ChannelSwitch::Idle;  // the page gave the line back
    history.PollWasAnswered(PollAnsweredOf(r, At(600)));
    EXPECT_EQ(history.Samples().Newest().channel, 0);
}

TEST(ReadingsHistory, keepsTheLastHourInBoundedMemory) {
    ReadingsHistory history;
    const SharedRecords r = Answered(0, 1);
    // Seventy minutes of polls at five a second.
    for (std::int64_t i = 0; i < 70 * 60 * 5; ++i)
        history.PollWasAnswered(PollAnsweredOf(r, At(200 * i)));
    const auto& samples = history.Samples();
    EXPECT_LE(samples.Size(), ReadingsHistory::kSampleCapacity);
    EXPECT_EQ(samples.Newest().timeMs - samples.Oldest().timeMs, ReadingsHistory::kKeptMs);
    EXPECT_EQ(history.AnsweredPolls(), 70u * 60 * 5);

    // Faster than the link ever polls: the ring's capacity bounds it.
    ReadingsHistory crowded;
    for (std::int64_t i = 0; i < 40'000; ++i) crowded.PollWasAnswered(PollAnsweredOf(r, At(i)));
    EXPECT_EQ(crowded.Samples().Size(), ReadingsHistory::kSampleCapacity);
    EXPECT_EQ(crowded.Samples().Newest().timeMs, MillisecondsOf(At(39'999)));
}

TEST(ReadingsHistory, aStatusLineIsMarkedWhenItAppearsNotWhileItStands) {
    ReadingsHistory history;
    SharedRecords r;
    r.Slots.Set(21, "Msg 21..Output 1 > 22 mA");
    history.ObserveLink(r, At(0));
    history.ObserveLink(r, At(200));
    r.Slots.Clear(21);
    history.ObserveLink(r, At(400));
    r.Slots.Set(21, "Msg 21..Output 1 > 22 mA");
    history.ObserveLink(r, At(600));
    ASSERT_EQ(history.Marks().Size(), 2u);
    EXPECT_EQ(history.Marks()[1].timeMs, MillisecondsOf(At(600)));
    EXPECT_EQ(history.Marks()[1].line, 21);
    EXPECT_EQ(history.Marks()[1].kind, TrendMark::Kind::SensorStatus);
}

TEST(ReadingsHistory, aTimeOutIsMarkedOnceUntilAPollIsAnsweredAgain) {
    ReadingsHistory history;
    SharedRecords r;
    // A silent sensor: overdue, timed out, resetting, and again.
    for (int round = 0; round < 3; ++round) {
        for (const StatusLine& line :
             {line::kDataReplyOverdue, line::kDataReplyTimedOut, line::kResettingComms}) {
            r.Slots.Clear(line::kLinkLines);
            r.Slots.Show(line);
            history.ObserveLink(r, At(1'000 * round));
        }
        r.Slots.Clear(line::kLinkLines);
        history.ObserveLink(r, At(1'000 * round + 500));
    }
    EXPECT_EQ(MarkTexts(history), (std::vector<std::string>{"Msg 01..Data Reply Overdue",
                                                            "Msg 02..Data Reply Timed Out",
                                                            "Msg 04..Resetting Communications"}));
    EXPECT_EQ(history.Marks()[1].kind, TrendMark::Kind::LinkFault);

    history.PollWasAnswered(PollAnsweredOf(Answered(0, 1), At(5'000)));
    r.Slots.Show(line::kDataReplyOverdue);
    history.ObserveLink(r, At(6'000));
    EXPECT_EQ(history.Marks().Size(), 4u);
}

TEST(ReadingsHistory, commsOkIsMarkedAtTheStartAndWhenItComesBackAfterAFault) {
    ReadingsHistory history;
    SharedRecords r;
    const auto look = [&](std::int64_t ms, bool commsOk) {
        if (commsOk) {
            r.Slots.Set(line::kSensorCommsOk, line::kSensorCommsOkPhases[ms % 3]);
        } else {
            r.Slots.Clear(line::kSensorCommsOk);
        }
        history.ObserveLink(r, At(ms));
    };
    look(0, true);
    look(200, true);
    look(400, false);  // a setup write was answered: the spinner is off for a tick
    look(600, true);
    EXPECT_EQ(MarkTexts(history), (std::vector<std::string>{"Msg 08..Sensor Comms OK"}));

    r.Slots.Show(line::kDataReplyTimedOut);
    look(800, false);
    r.Slots.Clear(line::kDataReplyTimedOut);
    look(1'000, true);
    EXPECT_EQ(MarkTexts(history),
              (std::vector<std::string>{"Msg 08..Sensor Comms OK", "Msg 02..Data Reply Timed Out",
                                        "Msg 08..Sensor Comms OK"}));
}

TEST(ReadingsHistory, listenersGetTheRowOfEachAnsweredPollAndMayLeaveWhileCalled) {
    ReadingsHistory history;
    std::vector<ReadingRow> rows;
    int second = 0;
    const int first = history.AddListener([&](const ReadingRow& row, const TrendSample& sample) {
        rows.push_back(row);
        EXPECT_EQ(sample.values[0], row.CondRaw);
    });
    second = history.AddListener([&](const ReadingRow&, const TrendSample&) {
        history.RemoveListener(second);
        history.RemoveListener(first);
    });
    SharedRecords r = Answered(0, 12.5);
    r.Slots.Set(21, "Msg 21..Output 1 > 22 mA");
    history.PollWasAnswered(PollAnsweredOf(r, At(100)));
    history.PollWasAnswered(PollAnsweredOf(r, At(300)));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ReadingsCsvLine(rows[0]), ReadingsCsvLine(RowOfAnsweredPoll(r, At(100))));
}

}  // namespace
}  // namespace corvane
