#include <gtest/gtest.h>

#include <random>

#include "link/command_table.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace corvane {
namespace {

using fw::kSecond;

// Ten thousand exchanges with a sensor that drops or corrupts one reply in ten, while commands
// are queued at random: the engine must never stick. Every wait ends within its time-out, and
// once the faults stop the link is back to answered polls at once.
TEST(EngineSoak, tenThousandExchangesOverAnUnreliableLineNeverStick) {
    sim::SimulatedLink link;
    auto& faults = link.Sensor().Faults();
    faults.dropProbability = 0.05;
    faults.corruptProbability = 0.05;
    faults.strayBytes = false;
    faults.seed = 4242;
    SharedRecords& r = link.Records();

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
        }
        longestWaitTicks = std::max(longestWaitTicks, waited);
        receiveErrorsSeen += r.Slots.Stands(6) ? 1 : 0;
        ASSERT_LE(r.Link.TickCount, 1);
        if (random() % 10 == 0) {
            const int command = commands[random() % commands.size()];
            if (command == ReadDataBlock) r.UploadBlock = 0;
            r.Queue.Queue(command);
        }
    }
    EXPECT_GE(longestWaitTicks, 21) << "some replies were lost and timed out";
    EXPECT_GT(receiveErrorsSeen, 100) << "some replies arrived corrupted";

    faults.dropProbability = 0.0;
    faults.corruptProbability = 0.0;
    link.RunFor(15 * kSecond);
    EXPECT_EQ(link.Line().Written().back()[1], 0x35);
    EXPECT_EQ(r.Engine.SensorAnswering, 1);
    EXPECT_FALSE(r.Slots.Stands(6));
    EXPECT_FALSE(r.Queue.FlagRaised() && r.Queue.IsPending(ReadDataBlock));
}

}  // namespace
}  // namespace corvane
