// Speed of the service record's store: listing a large history (what `corvane history` and the
// History window read before printing) and handing events to the writer (what the link's thread
// pays for each event: it must never wait for the store).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "records/record_store.h"
#include "records/record_writer.h"

namespace {

using namespace corvane::records;

std::filesystem::path ScratchFolder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("corvane-records-bench-" + std::to_string(::getpid()));
    return folder;
}

// Event number `index`, with fields of a realistic size.
ServiceEvent Event(int index) {
    char text[64];
    ServiceEvent event;
    std::snprintf(text, sizeof text, "%08x-1c2d-4e5f-8a9b-%012x", static_cast<unsigned>(index),
                  static_cast<unsigned>(index) * 2654435761u);
    event.uuid = text;
    std::snprintf(text, sizeof text, "2026-%02d-%02dT%02d:%02d:%02d.%03dZ", 1 + index / 2'000'000,
                  1 + index / 80'000 % 28, index / 3600 % 24, index / 60 % 60, index % 60,
                  index % 1000);
    event.timeUtc = text;
    event.operatorName = "technician " + std::to_string(index % 12);
    event.workstation = "workshop-pc-" + std::to_string(index % 4);
    event.program = index % 3 ? "corvane" : "corvane-control-centre";
    event.version = "1.4.2";
    event.sensor.serialNumber = "VX" + std::to_string(100'000 + index % 250);
    event.sensor.plantNumber = "LINE-" + std::to_string(index % 40) + "/TANK-3";
    event.sensor.address = 1 + index % 32;
    event.sensor.port = "/dev/ttyUSB" + std::to_string(index % 2);
    event.sensor.softwareIssue = "4.12";
    event.kind = kind::kSetupWritten;
    event.summary = "Setup written: range 0-20 mS/cm, temperature coefficient 2.00 %/K";
    event.details =
        "{\"changed\":[{\"field\":\"range\",\"from\":\"0-2 mS/cm\",\"to\":\"0-20 mS/cm\"},"
        "{\"field\":\"tc\",\"from\":1.9,\"to\":2.0}],\"file\":null}";
    return event;
}

// A store of 100,000 events, written once for the run.
const std::string& LargeStore() {
    static const std::string path = [] {
        const std::string location = (ScratchFolder() / "large.sqlite").string();
        std::string error;
        auto store = RecordStore::Open(location, error);
        std::vector<ServiceEvent> batch;
        for (int i = 0; store && i < 100'000; ++i) {
            batch.push_back(Event(i));
            if (batch.size() == 5000) {
                if (!store->Add(batch, error)) break;
                batch.clear();
            }
        }
        if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
        return location;
    }();
    return path;
}

// The store of 100,000 events; nothing, with the benchmark skipped, when it cannot be opened.
std::unique_ptr<RecordStore> OpenLargeStore(benchmark::State& state) {
    std::string error;
    auto store = RecordStore::Open(LargeStore(), error);
    if (!store) state.SkipWithError(error.c_str());
    return store;
}

// Every event of the store, newest first.
void BM_ReadHundredThousandEvents(benchmark::State& state) {
    std::string error;
    auto store = OpenLargeStore(state);
    if (!store) return;
    for (auto _ : state) {
        auto events = store->Events({}, error);
        if (!events || events->size() != 100'000) {
            state.SkipWithError(events ? "not 100,000 events" : error.c_str());
            break;
        }
        benchmark::DoNotOptimize(events->front().uuid);
    }
    state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_ReadHundredThousandEvents)->Unit(benchmark::kMillisecond);

// What `corvane history --json` does with 100,000 events: read them all and print each as a JSON
// line (into memory here, the terminal's speed being none of the program's). The goal is below
// one second.
void BM_HistoryJsonOfHundredThousandEvents(benchmark::State& state) {
    std::string error;
    auto store = OpenLargeStore(state);
    if (!store) return;
    for (auto _ : state) {
        auto events = store->Events({}, error);
        if (!events) {
            state.SkipWithError(error.c_str());
            break;
        }
        std::string out;
        for (const ServiceEvent& event : *events) out += EventJsonLine(event) + "\n";
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 100'000);
}
BENCHMARK(BM_HistoryJsonOfHundredThousandEvents)->Unit(benchmark::kMillisecond);

// One sensor's events out of the 100,000 (400 of them), as the History window lists them.
void BM_ReadOneSensor(benchmark::State& state) {
    std::string error;
    auto store = OpenLargeStore(state);
    if (!store) return;
    for (auto _ : state) {
        auto events = store->Events({.serialNumber = "VX100017"}, error);
        if (!events || events->size() != 400) {
            state.SkipWithError(events ? "not 400 events" : error.c_str());
            break;
        }
        benchmark::DoNotOptimize(events->front().uuid);
    }
}
BENCHMARK(BM_ReadOneSensor)->Unit(benchmark::kMillisecond);

// The sensors of the 100,000 events with their newest identities.
void BM_Sensors(benchmark::State& state) {
    std::string error;
    auto store = OpenLargeStore(state);
    if (!store) return;
    for (auto _ : state) {
        auto sensors = store->Sensors(error);
        if (!sensors || sensors->size() != 250) {
            state.SkipWithError(sensors ? "not 250 sensors" : error.c_str());
            break;
        }
        benchmark::DoNotOptimize(sensors->front().serialNumber);
    }
}
BENCHMARK(BM_Sensors)->Unit(benchmark::kMillisecond);

// How often this thread gave up the processor of its own accord (to wait for a lock, say), as
// opposed to being preempted.
long VoluntarySwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// 10,000 events handed to a writer and written to a new file. The time is the whole (handing
// over and writing). The counters: how long one Write took (the longest, the 99.9th percentile
// and the mean), how many took over 100 us, and how many had this thread wait (a voluntary
// context switch: the writer's lock held, or memory to be mapped) rather than lose its time
// slice to another process.
void BM_WriterTenThousandEvents(benchmark::State& state) {
    std::vector<ServiceEvent> events;
    for (int i = 0; i < 10'000; ++i) events.push_back(Event(i));
    std::vector<double> times;  // of every Write, in microseconds
    int waited = 0;             // Writes during which the thread gave up the processor
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string location =
            (ScratchFolder() / ("writer-" + std::to_string(round++) + ".sqlite")).string();
        std::vector<ServiceEvent> copies = events;
        times.reserve(times.size() + copies.size());
        state.ResumeTiming();
        RecordWriter writer(location);
        for (ServiceEvent& event : copies) {
            const long switchesBefore = VoluntarySwitches();
            const auto start = std::chrono::steady_clock::now();
            writer.Write(std::move(event));
            const double us =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count();
            times.push_back(us);
            if (VoluntarySwitches() != switchesBefore) ++waited;
        }
        writer.Flush();
        if (writer.WrittenCount() != 10'000) {
            state.SkipWithError(writer.TakeFailure().value_or("not all written").c_str());
            break;
        }
    }
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    double total = 0;
    for (const double t : times) total += t;
    // The longest of all, and the one that only a thousandth took longer than: a time slice the
    // system gave another process shows in the first, waiting for the writer in both.
    state.counters["write_max_us"] = times.back();
    state.counters["write_p999_us"] = times[times.size() * 999 / 1000];
    state.counters["write_mean_us"] = total / static_cast<double>(times.size());
    state.counters["writes_over_100us"] =
        static_cast<double>(times.end() - std::upper_bound(times.begin(), times.end(), 100.0));
    state.counters["writes"] = static_cast<double>(times.size());
    state.counters["writes_that_waited"] = waited;
}
BENCHMARK(BM_WriterTenThousandEvents)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::filesystem::create_directories(ScratchFolder());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(ScratchFolder(), ec);
    return 0;
}
