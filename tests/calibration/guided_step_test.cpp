#include "calibration/guided_step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "link/command_table.h"
#include "link/shared_records.h"
#include "records/service_recorder.h"
#include "sim/simulated_link.h"

namespace corvane::calibration {
namespace {

using fw::kSecond;

struct KeptEvents : records::EventSink {
    void Write(records::ServiceEvent event) override { events.push_back(std::move(event)); }
    std::vector<records::ServiceEvent> events;
};

// A number member of the details object inside the member `within`.
double NumberIn(const std::string& details, const std::string& within, const std::string& key) {
    const std::size_t from = details.find("\"" + within + "\":{");
    const std::size_t at = details.find("\"" + key + "\":", from);
    if (from == std::string::npos || at == std::string::npos) return NAN;
    return std::stod(details.substr(at + key.size() + 3));
}

// A step on the sensor link against the virtual sensor at address 0, in virtual time, with
// every reply the sensor sent kept so that the figures can be checked against them.
class GuidedStepTest : public ::testing::Test {
  protected:
    struct Sent {
        double seconds;  // when the sensor composed it
        std::vector<std::uint8_t> bytes;
    };

    GuidedStepTest()
        : recorder(link.Records(), link.Host(), kept,
                   {"corvane", "0.1.0", "bench-7", [] { return "/dev/ttyUSB0"; }}) {
        link.Link().AddObserver(recorder);
        link.Sensor().SetReplyObserver([this](std::span<const std::uint8_t> reply) {
            replies.push_back({Seconds(), {reply.begin(), reply.end()}});
        });
        link.Start();
        link.RunTicks(2);
    }
    ~GuidedStepTest() override { link.Link().RemoveObserver(recorder); }

    double Seconds() {
        return std::chrono::duration<double>(link.Host().PreciseNow().time_since_epoch()).count();
    }
    void Control(const std::string& line) { ASSERT_EQ(link.Sensor().Control(line), "") << line; }
    std::unique_ptr<GuidedStep> Start(StepPlan plan) {
        GuidedStep::Settings settings;
        settings.run = "run-1";
        return std::make_unique<GuidedStep>(link.Link(), link.Records(), link.Host(),
                                            std::move(plan), settings, &recorder);
    }
    bool RunUntil(const std::function<bool()>& done, int seconds) {
        return link.Clock().RunUntilTrue(done, seconds * kSecond);
    }
    std::vector<std::vector<std::uint8_t>> RepliesTo(int function) const {
        std::vector<std::vector<std::uint8_t>> found;
        for (const Sent& s : replies) {
            if (s.bytes.size() > 1 && s.bytes[1] == function) found.push_back(s.bytes);
        }
        return found;
    }
    // The mean raw conductivity of the poll replies the sensor sent within [from, to].
    double SentMean(TimePoint from, TimePoint to) const {
        const auto at = [](TimePoint t) {
            return std::chrono::duration<double>(t.time_since_epoch()).count();
        };
        double sum = 0;
        int n = 0;
        for (const Sent& s : replies) {
            // A poll reply: address, 0x35, then the raw conductivity in tenths. It is composed a
            // few milliseconds before the answered poll is stamped, 200 ms after the last one.
            if (s.bytes.size() < 4 || s.bytes[1] != fn::kPoll) continue;
            if (s.seconds < at(from) - 0.1 || s.seconds > at(to)) continue;
            sum += static_cast<std::int16_t>(s.bytes[2] << 8 | s.bytes[3]) / 10.0;
            ++n;
        }
        return n > 0 ? sum / n : NAN;
    }

    sim::SimulatedLink link;
    KeptEvents kept;
    records::ServiceRecorder recorder;
    std::vector<Sent> replies;
};

// The point's reference is fitted to a sensor reading 2 % low: while the reading still moves
// towards it the step is not settled; once settled, calibrating sends one request with the
// point's payload, and the reading as left is within tolerance. The record's figures are those
// of the polls the sensor sent in the two stretches.
TEST_F(GuidedStepTest, aSettledPointIsCalibratedOnceAndRecordedWithItsStretches) {
    Control("error -2");
    Control("reference 92.5");
    auto step = Start(*ConductivityPoint(92.5));
    link.RunFor(4 * kSecond);
    EXPECT_FALSE(step->Settled()) << "still drifting towards the reference";
    ASSERT_TRUE(RunUntil([&] { return step->Settled(); }, 60));
    EXPECT_FALSE(step->FoundWithinTolerance());
    const auto found = step->Readings().Latest(step->Rule());
    EXPECT_NEAR(step->Deviation(found->mean), -2.0, 0.2);

    step->Calibrate();
    ASSERT_TRUE(RunUntil([&] { return step->CurrentPhase() == Phase::Ended; }, 120));
    EXPECT_EQ(step->End(), StepEnd::Passed) << step->Reason();
    const auto calibrations = RepliesTo(fn::kCalibrateCond);
    ASSERT_EQ(calibrations.size(), 1u);
    EXPECT_EQ(calibrations[0][2], 0x02) << "the 92.5 mS/cm point";
    const WindowFigures left = *step->Figures().asLeft;
    EXPECT_LE(std::fabs(left.mean - 92.5), 0.185);
    EXPECT_EQ(link.Records().CalibrationDone(), CalibrationStamp::ToStamp) << "a stamp is due";

    ASSERT_EQ(kept.events.size(), 1u);
    const records::ServiceEvent& e = kept.events.front();
    EXPECT_EQ(e.result, records::result::kDone);
    EXPECT_NEAR(NumberIn(e.details, "as_found", "mean"), SentMean(found->from, found->to), 0.001);
    EXPECT_NEAR(NumberIn(e.details, "as_found", "mean"), found->mean, 0.001);
    EXPECT_EQ(NumberIn(e.details, "as_found", "polls"), found->polls);
    EXPECT_NEAR(NumberIn(e.details, "as_left", "mean"), SentMean(left.from, left.to), 0.001);
    EXPECT_NE(e.details.find(R"("run":"run-1")"), std::string::npos) << e.details;
    EXPECT_NE(e.details.find(R"("verdict":"pass")"), std::string::npos) << e.details;
}

// A sensor that never confirms ends the step failed: no reading as left, no stamp due, and the
// record says so.
TEST_F(GuidedStepTest, aSensorThatNeverConfirmsFailsTheStep) {
    Control("reference 0");
    auto step = Start(*ConductivityPoint(0));
    ASSERT_TRUE(RunUntil([&] { return step->Settled(); }, 60));
    link.Sensor().Faults().silent = true;
    step->Calibrate();
    ASSERT_TRUE(RunUntil([&] { return step->CurrentPhase() == Phase::Ended; }, 120));
    EXPECT_EQ(step->End(), StepEnd::Failed);
    EXPECT_NE(step->Reason().find("not confirmed"), std::string::npos) << step->Reason();
    EXPECT_FALSE(step->Figures().asLeft);
    EXPECT_EQ(link.Records().CalibrationDone(), CalibrationStamp::None);
    ASSERT_EQ(kept.events.size(), 1u);
    EXPECT_EQ(kept.events[0].result, records::result::kFailed);
    EXPECT_NE(kept.events[0].details.find(R"("run":"run-1")"), std::string::npos);
    EXPECT_NE(kept.events[0].details.find(R"("verdict":"fail")"), std::string::npos)
        << kept.events[0].details;
}

// A step whose request cannot go out in time (here behind another point's calibration, which
// takes the sensor 3 s) is given up and withdrawn; it leaves nothing behind in the recorder, so
// the calibration that was on the line is recorded as any other, complete after its 10 s.
TEST_F(GuidedStepTest, aStepGivenUpInTheQueueLeavesOtherCalibrationsAlone) {
    Control("reference 92.5");
    GuidedStep::Settings settings;
    settings.run = "run-1";
    settings.confirmTimeout = std::chrono::seconds(1);
    auto step = std::make_unique<GuidedStep>(link.Link(), link.Records(), link.Host(),
                                             *ConductivityPoint(92.5), settings, &recorder);
    ASSERT_TRUE(RunUntil([&] { return step->Settled(); }, 60));
    link.Link().Queue(CalibrateCond925);  // served first: the lower command
    step->Calibrate();
    // The owner ticks the step, as the assistant's timer does, while no poll answers.
    ASSERT_TRUE(RunUntil(
        [&] {
            step->Tick();
            return step->CurrentPhase() == Phase::Ended;
        },
        10));
    EXPECT_EQ(step->End(), StepEnd::Failed);
    EXPECT_NE(step->Reason().find("could not be sent within 1 s"), std::string::npos)
        << step->Reason();
    step.reset();

    ASSERT_TRUE(RunUntil([&] { return !kept.events.empty(); }, 30));
    const records::ServiceEvent& e = kept.events.front();
    EXPECT_EQ(e.summary, "conductivity point 1 (925 mS/cm)");
    EXPECT_EQ(e.details.find("\"guided\""), std::string::npos) << e.details;
    EXPECT_NE(e.details.find("\"as_left\""), std::string::npos) << e.details;
    link.RunFor(5 * kSecond);
    EXPECT_EQ(RepliesTo(fn::kCalibrateCond).size(), 1u) << "the given-up point never went out";
}

// A point found within tolerance may be left as it is: nothing is sent, the record says so.
TEST_F(GuidedStepTest, aPointLeftAsFoundSendsNothing) {
    Control("reference 925");
    auto step = Start(*ConductivityPoint(925));
    ASSERT_TRUE(RunUntil([&] { return step->Settled(); }, 60));
    ASSERT_TRUE(step->FoundWithinTolerance());
    step->LeaveAsFound();
    link.RunFor(2 * kSecond);
    EXPECT_EQ(step->End(), StepEnd::NotAdjusted);
    EXPECT_TRUE(RepliesTo(fn::kCalibrateCond).empty());
    ASSERT_EQ(kept.events.size(), 1u);
    EXPECT_NE(kept.events[0].summary.find("as found within tolerance, not adjusted"),
              std::string::npos)
        << kept.events[0].summary;
}

// The outputs: forced to the point, calibrated with the readings entered as found, forced again
// for the readings as left, and back to normal at the end; a step given up while they are
// forced returns them too.
TEST_F(GuidedStepTest, theOutputsAreForcedCalibratedAndReturnedToNormal) {
    {
        auto step = Start(OutputStep(4));
        link.RunFor(kSecond);
        ASSERT_EQ(RepliesTo(fn::kTestOutputs).size(), 1u);
        EXPECT_TRUE(link.Records().Service.Output1Forced);
        EXPECT_EQ(link.Records().Service.TestCodeBoth, 0xC4);
        step->EnterReadings({4.012, 3.995});
        step->Calibrate();
        ASSERT_TRUE(RunUntil([&] { return step->CurrentPhase() == Phase::ReadLeft; }, 30));
        step->EnterReadings({4.001, 4.0});
        EXPECT_EQ(step->End(), StepEnd::Passed);
        link.RunFor(kSecond);
        EXPECT_FALSE(link.Records().Service.Output1Forced);
    }
    const std::size_t before = RepliesTo(fn::kTestOutputs).size();
    {
        auto step = Start(OutputStep(20));
        link.RunFor(kSecond);
    }  // given up before any reading was entered
    link.RunFor(2 * kSecond);
    EXPECT_EQ(RepliesTo(fn::kTestOutputs).size(), before + 2) << "forced, then returned";
    EXPECT_FALSE(link.Records().Service.Output1Forced);
    EXPECT_EQ(link.Records().Service.TestCodeBoth, 0);
}

}  // namespace
}  // namespace corvane::calibration
