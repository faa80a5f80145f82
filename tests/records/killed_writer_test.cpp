#include <gtest/gtest.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>
#include <string>

#include "records/record_store.h"
#include "records_test_support.h"

namespace corvane::records {
namespace {

using testing::ExpectSameEvent;
using testing::IndexedEvent;
using testing::kKilledBatch;
using testing::ScratchFolder;

// The numbers of the events the test adds itself between rounds, beyond the writer's.
constexpr int kExtra = 2'000'000;

// Starts the writer on `path`; its standard output (one line per batch written) comes through
// `out`.
pid_t StartWriter(const std::string& path, int batches, int& out) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return -1;
    const std::string count = std::to_string(batches);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execl(KILLED_WRITER, KILLED_WRITER, path.c_str(), count.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    out = pipeEnds[0];
    return child;
}

// Reads the writer's lines until it reports batch `last` written; false when it ends first.
bool WaitForBatch(int out, int last) {
    std::string line;
    char c;
    for (;;) {
        const ssize_t n = ::read(out, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (c != '\n') {
            line += c;
            continue;
        }
        if (std::stoi(line) >= last) return true;
        line.clear();
    }
}

// A writer killed at any moment leaves whole events and whole transactions: every event read
// is the one written under its UUID, and every batch is there entirely or not at all.
TEST(KilledWriter, LeavesOnlyWholeEventsAndWholeBatches) {
    ScratchFolder scratch;
    const std::string path = scratch.File("records.sqlite");
    int lastSeen = 0;
    for (int round = 0; round < 4; ++round) {
        int out = -1;
        const pid_t child = StartWriter(path, 1'000'000, out);
        ASSERT_GT(child, 0);
        // The writer goes on with its next batches while the signal is on its way.
        const bool running = WaitForBatch(out, 5 + round * 7);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(out);
        ASSERT_TRUE(running) << "the writer ended before it was killed";
        ASSERT_TRUE(WIFSIGNALED(status));

        std::string error;
        auto store = RecordStore::Open(path, error);
        ASSERT_TRUE(store) << error;
        auto events = store->Events({}, error);
        ASSERT_TRUE(events) << error;
        std::map<int, int> perBatch;
        for (const ServiceEvent& event : *events) {
            const int index = static_cast<int>(std::stoul(event.uuid.substr(0, 8), nullptr, 16));
            ExpectSameEvent(event, IndexedEvent(index));
            if (index < kExtra) ++perBatch[index / kKilledBatch];
        }
        ASSERT_FALSE(perBatch.empty());
        for (const auto& [batch, count] : perBatch) {
            EXPECT_EQ(count, kKilledBatch) << "batch " << batch;
        }
        // Every batch reported written is there: the batches run 0, 1, ... without a gap.
        EXPECT_EQ(perBatch.rbegin()->first + 1, static_cast<int>(perBatch.size()));
        EXPECT_GE(static_cast<int>(perBatch.size()), lastSeen);
        lastSeen = static_cast<int>(perBatch.size());

        // And the store takes writes again.
        const ServiceEvent extra = IndexedEvent(kExtra + round);
        ASSERT_TRUE(store->Add({extra}, error)) << error;
        auto check = store->Events({.uuid = extra.uuid}, error);
        ASSERT_TRUE(check) << error;
        EXPECT_EQ(check->size(), 1u);
    }
}

}  // namespace
}  // namespace corvane::records
