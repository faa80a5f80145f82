// Writes numbered events into a store, a batch of 20 per transaction, printing the number of
// each batch written, until it has written `batches` batches or is killed.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "records/record_store.h"
#include "records_test_events.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: records_killed_writer STORE BATCHES\n");
        return 2;
    }
    using namespace corvane::records;
    std::string error;
    auto store = RecordStore::Open(argv[1], error);
    if (!store) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const int batches = std::atoi(argv[2]);
    for (int b = 0; b < batches; ++b) {
        std::vector<ServiceEvent> batch;
        for (int i = 0; i < testing::kKilledBatch; ++i) {
            batch.push_back(testing::IndexedEvent(b * testing::kKilledBatch + i));
        }
        if (!store->Add(batch, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("%d\n", b);
        std::fflush(stdout);
    }
    return 0;
}
