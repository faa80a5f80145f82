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

// A 64 KiB image (4096 blocks of 16 bytes) downloaded on the virtual sensor in virtual time,
// from the download request to the answered upgrade stamp: the CPU time the whole download costs.
void BM_Download64KiB(benchmark::State& state) {
    std::vector<ImageBlock> image;
    for (int b = 0; b < 4096; ++b) {
        ImageBlock block{static_cast<std::uint16_t>(b * 16), {}};
        for (int i = 0; i < 16; ++i) block.Data.push_back(static_cast<std::uint8_t>(b + i));
        image.push_back(std::move(block));
    }
    std::vector<sim::FlashRecord> flash;
    for (const ImageBlock& block : image) flash.push_back({block.Address, block.Data});
    for (auto _ : state) {
        sim::SimulatedLink link;
        link.Start();
        link.RunTicks(2);
        link.Link().StartDownload(image, DownloadOrigin::SoftwarePage);
        while (link.Records().Download().DownloadState != DownloadState::Idle ||
               link.Records().Queue().IsPending(FinishDownload) ||
               link.Records().Queue().IsPending(StampUpgrade) ||
               link.Records().Link().RequestFunction == 0x69 ||
               link.Records().Link().RequestFunction == 0x74) {
            link.RunTicks(1);
        }
        if (!link.Sensor().FlashEquals(flash)) {
            state.SkipWithError("flash differs");
        }
        benchmark::DoNotOptimize(link.Records().Sensor.UpgradeIssue);
    }
}
BENCHMARK(BM_Download64KiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
