#include "link/sensor_link.h"

#include <gtest/gtest.h>

#include "hex_text.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::kSecond;

// Everything the link told, in order.
struct Told : LinkObserver {
    void ExchangeHasEnded(const ExchangeEnded& e) override { exchanges.push_back(e); }
    void PollWasAnswered(const PollAnswered& p) override { polls.push_back(p); }
    void DownloadHasProgressed(const DownloadProgress& p) override { progress.push_back(p); }
    void DownloadHasEnded(const DownloadResult& r) override { results.push_back(r); }
    void AddressWasFound(int address) override { found.push_back(address); }
    void SensorConfirmed(const Confirmation& c) override { confirmed.push_back(c); }
    void SetupWasRead(const SetupRead& read) override { setupReads.push_back(read); }

    std::vector<Outcome> OutcomesOf(int function) const {
        std::vector<Outcome> outcomes;
        for (const ExchangeEnded& e : exchanges) {
            if (e.function == function) outcomes.push_back(e.outcome);
        }
        return outcomes;
    }

    std::vector<ExchangeEnded> exchanges;
    std::vector<PollAnswered> polls;
    std::vector<DownloadProgress> progress;
    std::vector<DownloadResult> results;
    std::vector<int> found;
    std::vector<Confirmation> confirmed;
    std::vector<SetupRead> setupReads;
};

class SensorLinkTest : public ::testing::Test {
  protected:
    explicit SensorLinkTest(std::vector<int> addresses = {0}) : link(std::move(addresses)) {
        link.Link().AddObserver(told);
    }
    SharedRecords& r() { return link.Records(); }

    sim::SimulatedLink link;
    Told told;
};

// Every way an exchange ends is told once, with the request's function and address: answered,
// an exception reply, a reply that fails its check, silence, and a port that would not open.
TEST_F(SensorLinkTest, eachExchangeEndsOnceWithItsOutcome) {
    link.Start();
    link.RunTicks(2);
    sim::VirtualSensor& sensor = link.Sensor();
    sensor.Faults().exceptionReplies = true;
    link.RunTicks(1);
    sensor.Faults().exceptionReplies = false;
    sensor.Faults().badCrc = true;
    link.RunTicks(1);
    sensor.Faults().badCrc = false;
    sensor.Faults().silent = true;
    link.RunTicks(21);
    EXPECT_EQ(told.OutcomesOf(fn::kPoll),
              (std::vector<Outcome>{Outcome::Answered, Outcome::Answered, Outcome::Exception,
                                    Outcome::Garbled, Outcome::Silent}));
    for (const ExchangeEnded& e : told.exchanges) EXPECT_EQ(e.address, 0);

    sensor.Faults().silent = false;
    link.Line().SetOpenFails(true);
    link.Link().ReopenPort();
    const std::size_t before = told.exchanges.size();
    link.RunTicks(1);
    ASSERT_EQ(told.exchanges.size(), before + 1);
    EXPECT_EQ(told.exchanges.back().outcome, Outcome::PortFailed);
    // The withheld request is not told again as silent when its time runs out; the next one is
    // withheld too.
    link.RunTicks(25);
    ASSERT_EQ(told.exchanges.size(), before + 2);
    EXPECT_EQ(told.exchanges.back().outcome, Outcome::PortFailed);
}

// An answered poll carries the readings and status lines as decoded, and the address it came
// from.
TEST_F(SensorLinkTest, anAnsweredPollCarriesItsReadingsAsValues) {
    link.Start();
    link.RunTicks(3);
    ASSERT_EQ(told.polls.size(), 3u);
    const PollAnswered& last = told.polls.back();
    EXPECT_EQ(last.address, 0);
    EXPECT_EQ(last.channel, 0);
    EXPECT_EQ(last.reading.CondComp, r().Sensor.CondComp);
    EXPECT_EQ(last.reading.Out2Current, r().Sensor.Out2Current);
    EXPECT_NEAR(last.reading.CondComp, 48.0, 3.0);
}

// A change the sensor confirmed is told with the request as it went out; one it refused is not.
TEST_F(SensorLinkTest, confirmedChangesAreToldWithTheRequestSent) {
    link.Start();
    link.RunTicks(2);
    link.Link().Queue(WriteTempSetup);
    link.RunTicks(2);
    ASSERT_EQ(told.confirmed.size(), 1u);
    const Confirmation& c = told.confirmed.front();
    EXPECT_EQ(c.change, ConfirmedChange::SetupWrite);
    EXPECT_EQ(c.function, fn::kTempSetup);
    std::vector<std::uint8_t> sent;
    for (const auto& frame : link.Line().Written()) {
        if (frame[1] == fn::kTempSetup) sent = frame;
    }
    EXPECT_EQ(c.request, sent);

    link.Sensor().Faults().exceptionReplies = true;
    link.Link().Queue(WriteSerialNumber);
    link.RunTicks(3);
    EXPECT_EQ(told.confirmed.size(), 1u);
}

TEST_F(SensorLinkTest, aDownloadTellsItsProgressAndThatItCompleted) {
    link.Start();
    link.RunTicks(2);
    link.Link().StartDownload(testing::PatternImage(20, 16), DownloadOrigin::SoftwarePage);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return !told.results.empty(); }, 60 * kSecond));
    ASSERT_EQ(told.progress.size(), 20u);
    EXPECT_EQ(told.progress.back().blocksTaken, 20u);
    EXPECT_EQ(told.progress.back().percent, 100);
    const DownloadResult& result = told.results.front();
    EXPECT_EQ(result.end, DownloadResult::End::Completed);
    EXPECT_EQ(result.origin, DownloadOrigin::SoftwarePage);
    EXPECT_EQ(result.blocksTaken, 20u);
    EXPECT_EQ(result.blockTotal, 20u);
}

TEST_F(SensorLinkTest, aCancelledDownloadEndsCancelledWithTheBlocksTakenSoFar) {
    link.Start();
    link.RunTicks(2);
    link.Link().StartDownload(testing::PatternImage(400, 16), DownloadOrigin::FactoryPage);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return told.progress.size() >= 5; }, 60 * kSecond));
    link.Link().CancelDownload();
    ASSERT_EQ(told.results.size(), 1u);
    EXPECT_EQ(told.results.front().end, DownloadResult::End::Cancelled);
    EXPECT_EQ(told.results.front().origin, DownloadOrigin::FactoryPage);
    EXPECT_GE(told.results.front().blocksTaken, 5u);
    EXPECT_LT(told.results.front().blocksTaken, 400u);
    EXPECT_EQ(told.results.front().blockTotal, 400u);
}

// Each request's handle tells how that request ended, whatever else goes on the line: answered,
// refused by the sensor with its exception code, a reply that failed its check, silence,
// withdrawn before it went out, and refused by the link itself (a plant number never read).
// Requests for one command queued together go out once and end together.
TEST_F(SensorLinkTest, aRequestsHandleTellsHowThatRequestEnded) {
    link.Start();
    link.RunTicks(2);
    sim::VirtualSensor& sensor = link.Sensor();
    SensorLink& l = link.Link();
    const auto runUntilEnded = [&](const RequestHandle& h) {
        for (int tick = 0; tick < 40 && !h.Ended(); ++tick) link.RunTicks(1);
        return h.End();
    };

    const RequestHandle first = l.Queue(WriteTempSetup);
    const RequestHandle again = l.Queue(WriteTempSetup);
    EXPECT_EQ(first.End(), RequestEnd::Pending);
    EXPECT_EQ(runUntilEnded(first), RequestEnd::Answered);
    EXPECT_EQ(again.End(), RequestEnd::Answered);
    EXPECT_EQ(told.OutcomesOf(fn::kTempSetup).size(), 1u) << "one exchange for both";

    sensor.Faults().exceptionReplies = true;
    const RequestHandle refused = l.Queue(WriteOutput1Setup);
    EXPECT_EQ(runUntilEnded(refused), RequestEnd::Exception);
    EXPECT_EQ(refused.ExceptionCode(), 1) << "illegal function, as the sensor said";
    sensor.Faults().exceptionReplies = false;

    sensor.Faults().badCrc = true;
    EXPECT_EQ(runUntilEnded(l.Queue(WriteOutput2Setup)), RequestEnd::Garbled);
    sensor.Faults().badCrc = false;

    sensor.Faults().silent = true;
    EXPECT_EQ(runUntilEnded(l.Queue(WriteDigitalSetup)), RequestEnd::Silent);
    sensor.Faults().silent = false;
    link.RunTicks(3);

    const RequestHandle withdrawn = l.Queue(WriteCustomConc);
    l.Withdraw(WriteCustomConc);
    EXPECT_EQ(withdrawn.End(), RequestEnd::Withdrawn);

    r().Sensor.PlantNumber = kPlantNumberNotRead;
    const RequestHandle placeholder = l.Queue(WritePlantNumber);
    EXPECT_EQ(placeholder.End(), RequestEnd::Refused);
    EXPECT_FALSE(r().Queue().IsPending(WritePlantNumber));
}

// The setup read is one request: its handle ends once every block is in, and the observers are
// told whose setup was read; a block refused by the sensor ends the read there.
TEST_F(SensorLinkTest, theSetupReadEndsOnceWithTheWholeSetupOrWhereItFailed) {
    link.Start();
    link.RunTicks(2);
    const RequestHandle read = link.Link().ReadSetup();
    for (int tick = 0; tick < 80 && !read.Ended(); ++tick) link.RunTicks(1);
    EXPECT_EQ(read.End(), RequestEnd::Answered);
    ASSERT_EQ(told.setupReads.size(), 1u);
    EXPECT_EQ(told.setupReads[0].serialNumber, r().Sensor.SerialNumber);
    EXPECT_EQ(told.setupReads[0].address, 0);
    EXPECT_EQ(told.OutcomesOf(fn::kDataBlock).size(), 17u);

    link.Sensor().Faults().exceptionReplies = true;
    const RequestHandle refused = link.Link().ReadSetup();
    for (int tick = 0; tick < 80 && !refused.Ended(); ++tick) link.RunTicks(1);
    EXPECT_EQ(refused.End(), RequestEnd::Exception);
    EXPECT_EQ(told.setupReads.size(), 1u) << "no setup was read";
}

class SensorLinkOnALineOfThree : public SensorLinkTest {
  protected:
    SensorLinkOnALineOfThree() : SensorLinkTest({0, 4, 9}) {}
};

// A search upwards from 0 finds the sensor at 4 and tells of it.
TEST_F(SensorLinkOnALineOfThree, aSearchTellsTheAddressItFound) {
    link.Start();
    link.RunTicks(2);
    link.Link().SearchAddresses(false);
    ASSERT_TRUE(link.Clock().RunUntilTrue([&] { return !told.found.empty(); }, 60 * kSecond));
    EXPECT_EQ(told.found, (std::vector<int>{4}));
}

// The channel cycle visits the channels that are on in turn; each answered poll names its
// channel and address.
TEST_F(SensorLinkOnALineOfThree, theChannelCyclePollsEachAddressInTurn) {
    link.Start();
    link.RunTicks(2);
    ChannelCycle& cycle = link.Link().Channels();
    cycle.PollAddresses({9, 4});
    const ChannelCycle::Flags on{1, 1, 0, 0, 0};
    told.polls.clear();
    std::vector<ChannelVisit> visits;
    for (int tick = 0; tick < 8; ++tick) {
        link.RunTicks(1);
        if (const auto visit = cycle.Step(on)) visits.push_back(*visit);
    }
    ASSERT_GE(told.polls.size(), 4u);
    for (std::size_t i = 0; i < told.polls.size(); ++i) {
        EXPECT_EQ(told.polls[i].address, i % 2 == 0 ? 9 : 4);
        EXPECT_EQ(told.polls[i].channel, i % 2 == 0 ? 1 : 2);
        EXPECT_NEAR(told.polls[i].reading.CondComp, i % 2 == 0 ? 138.0 : 88.0, 3.0);
    }
    ASSERT_GE(visits.size(), 4u);
    EXPECT_EQ(visits[0].channel, 1);
    EXPECT_EQ(visits[1].channel, 2);
    EXPECT_TRUE(visits[0].answered);

    cycle.GiveBackTheLine({9, 4, 3, 4, 5}, on);
    EXPECT_EQ(r().Sensor.DeviceId, 0) << "the address in use before the cycle";
    EXPECT_EQ(r().Sensor.ChannelSwitch, ChannelSwitch::Idle);
}

}  // namespace
}  // namespace corvane
