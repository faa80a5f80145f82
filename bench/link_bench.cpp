// Speed of the link's hot paths: what runs for every received byte and every engine tick.
#include <benchmark/benchmark.h>

#include <vector>

#include "link/command_table.h"
#include "link/crc16.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"
#include "sim/simulated_link.h"

namespace {

using namespace corvane;

std::vector<std::uint8_t> PollReply() {
    std::vector<std::uint8_t> reply{0x00, 0x35, 0x01, 0xE0, 0x01, 0xE5, 0x08, 0x98, 0x00, 0x00,
                                    0x12, 0x8E, 0x1D, 0x64, 0x11, 0x00, 0x00, 0x00, 0x00};
    const std::uint16_t crc = Crc16(reply);
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    return reply;
}

// One poll exchange: build and frame the request, then assemble and decode the reply.
void BM_PollExchange(benchmark::State& state) {
    SharedRecords records;
    const auto reply = PollReply();
    for (auto _ : state) {
        BeginRequest(records);
        BuildRequest(records, PollMeasurement, LocalDate{2026, 12, 7});
        FinishRequest(records);
        for (const std::uint8_t byte : reply) ReceiveByte(records, byte, 1);
        benchmark::DoNotOptimize(records.Sensor.CondComp);
    }
}
BENCHMARK(BM_PollExchange);

void BM_MessageLines(benchmark::State& state) {
    MessageSlots slots;
    for (int n = 1; n <= 84; n += 3) slots.Set(n, "Msg " + std::to_string(n));
    MessageLines lines;
    for (auto _ : state) {
        BuildMessageLines(slots, lines);
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_MessageLines);

// A minute of polling on the virtual clock: engine, virtual line and virtual sensor together.
void BM_SimulatedMinute(benchmark::State& state) {
    for (auto _ : state) {
        sim::SimulatedLink link;
        link.Start();
        link.RunFor(60 * fw::kSecond);
        benchmark::DoNotOptimize(link.Records().Sensor.CondComp);
    }
}
BENCHMARK(BM_SimulatedMinute)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
