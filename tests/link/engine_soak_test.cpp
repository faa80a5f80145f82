#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>

#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::kSecond;

// Ten thousand exchanges with a sensor that drops or corrupts one reply in ten, while commands
// are queued at random: the engine must never stick, and no reading or device line it shows is
// one the sensor did not send. Every wait ends within its time-out, and once the faults stop
// the link is back to answered polls at once.
TEST(EngineSoak, tenThousandExchangesOverAnUnreliableLineNeverStick) {
    sim::SimulatedLink link;
    auto& faults = link.Sensor().Faults();
    faults.dropProbability = 0.05;
    faults.corruptProbability = 0.05;
    faults.strayBytes = false;
    faults.seed = 4242;
    SharedRecords& r = link.Records();

    // Every reading the sensor meant to send, decoded as the program decodes a poll reply.
    using Readings = std::array<double, 6>;
    const auto s16 = [](std::span<const std::uint8_t> f, std::size_t at) {
        return static_cast<std::int16_t>((f[at] << 8) | f[at + 1]);
    };
    const auto u16 = [](std::span<const std::uint8_t> f, std::size_t at) {
        return static_cast<std::uint16_t>((f[at] << 8) | f[at + 1]);
    };
    std::set<Readings> sent = {Readings{}};  // all zero: the readings cleared by a time-out
    link.Sensor().SetReplyObserver([&](std::span<const std::uint8_t> reply) {
        if (reply.size() != 21 || reply[1] != 0x35) return;
        sent.insert({s16(reply, 2) * 0.1, s16(reply, 4) * 0.1, s16(reply, 6) * 0.01,
                     s16(reply, 8) * 0.01, u16(reply, 10) * 0.001, u16(reply, 12) * 0.001});
    });
    const auto shown = [&r] {
        const SensorData& s = r.Sensor;
        return Readings{s.CondRaw,       s.CondComp,    s.Temperature,
                        s.Concentration, s.Out1Current, s.Out2Current};
    };

    std::mt19937 random(99);
    const std::vector<int> commands = {WriteTempSetup,   WriteOutput1Setup,   WriteDigitalSetup,
                                       WriteCustomText1, WritePlantNumber,    TestBothOutputs,
                                       ReadDataBlock,    CalibrateTemperature};
    link.Start();
    int longestWaitTicks = 0;
    int receiveErrorsSeen = 0;
    while (link.Line().Written().size() < 10000) {
        const auto before = link.Line().Written().size();
        int waited = 0;
        while (link.Line().Written().size() == before) {
            link.RunTicks(1);
            ++waited;
            ASSERT_LE(waited, 60) << "no request for " << waited << " ticks";
            ASSERT_TRUE(sent.count(shown()) == 1)
                << "a reading the sensor never sent, after " << link.Line().Written().size()
                << " requests: temperature " << r.Sensor.Temperature;
            for (int line = 11; line <= 77; ++line) {
                ASSERT_FALSE(r.Slots.Stands(line)) << "device line the sensor never raised";
            }
        }
        longestWaitTicks = std::max(longestWaitTicks, waited);
        receiveErrorsSeen += r.Slots.Stands(6) ? 1 : 0;
        ASSERT_LE(r.Link().TickCount, 1);
        if (random() % 10 == 0) {
            const int command = commands[random() % commands.size()];
            if (command == ReadDataBlock) Machine(r).UploadBlock = 0;
            Machine(r).Queue.Queue(command);
        }
    }
    EXPECT_GE(longestWaitTicks, 21) << "some replies were lost and timed out";
    EXPECT_GT(receiveErrorsSeen, 100) << "some replies arrived corrupted";

    faults.dropProbability = 0.0;
    faults.corruptProbability = 0.0;
    link.RunFor(15 * kSecond);
    EXPECT_EQ(link.Line().Written().back()[1], 0x35);
    EXPECT_TRUE(r.Engine().SensorAnswering);
    EXPECT_FALSE(r.Slots.Stands(6));
    EXPECT_FALSE(r.Queue().FlagRaised() && r.Queue().IsPending(ReadDataBlock));
}

}  // namespace
}  // namespace corvane
