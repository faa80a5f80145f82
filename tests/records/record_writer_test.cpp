#include "records/record_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "records/record_store.h"
#include "records_test_support.h"

namespace corvane::records {
namespace {

using testing::ExpectSameEvents;
using testing::IndexedEvent;
using testing::ScratchFolder;
using testing::WriteFile;

std::vector<ServiceEvent> StoredEvents(const std::string& path) {
    std::string error;
    auto store = RecordStore::Open(path, error);
    EXPECT_TRUE(store) << error;
    if (!store) return {};
    auto events = store->Events({}, error);
    EXPECT_TRUE(events) << error;
    return events ? *events : std::vector<ServiceEvent>{};
}

std::vector<ServiceEvent> IndexedEvents(int first, int count) {
    std::vector<ServiceEvent> events;
    for (int i = first + count - 1; i >= first; --i) events.push_back(IndexedEvent(i));
    return events;  // newest first, as a store lists them
}

TEST(RecordWriter, WritesEverythingHandedOverAndCountsIt) {
    ScratchFolder scratch;
    const std::string path = scratch.File("records.sqlite");
    RecordWriter writer(path);
    StoreHistory history(path, &writer);
    EXPECT_EQ(writer.Location(), path);
    EXPECT_EQ(history.WrittenCount(), 0u);
    for (int i = 0; i < 300; ++i) writer.Write(IndexedEvent(i));
    writer.Flush();
    EXPECT_EQ(writer.WrittenCount(), 300u);
    EXPECT_EQ(history.WrittenCount(), 300u);
    EXPECT_FALSE(writer.TakeFailure());

    std::string error;
    auto events = history.Events({}, error);
    ASSERT_TRUE(events) << error;
    ExpectSameEvents(*events, IndexedEvents(0, 300));
    auto sensors = history.Sensors(error);
    ASSERT_TRUE(sensors) << error;
    EXPECT_EQ(sensors->size(), 5u);

    // The window's connection sees what is written after it was opened.
    writer.Write(IndexedEvent(300));
    writer.Flush();
    events = history.Events({.uuid = IndexedEvent(300).uuid}, error);
    ASSERT_TRUE(events) << error;
    EXPECT_EQ(events->size(), 1u);
}

TEST(RecordWriter, WritesWhatWaitsWhenDestroyed) {
    ScratchFolder scratch;
    const std::string path = scratch.File("records.sqlite");
    {
        RecordWriter writer(path);
        for (int i = 0; i < 200; ++i) writer.Write(IndexedEvent(i));
    }
    ExpectSameEvents(StoredEvents(path), IndexedEvents(0, 200));
}

TEST(RecordWriter, ReportsAStoreThatCannotBeOpenedOnceAndWritesOnceItCan) {
    ScratchFolder scratch;
    // A file stands where the store's folder must be, until it is taken away.
    const std::string blocker = scratch.File("blocked");
    WriteFile(blocker, "x");
    const std::string path = blocker + "/records.sqlite";
    RecordWriter writer(path);
    StoreHistory history(path, &writer);

    writer.Write(IndexedEvent(0));
    writer.Flush();
    const auto failure = writer.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find(path), std::string::npos) << *failure;
    EXPECT_FALSE(writer.TakeFailure());
    std::string error;
    EXPECT_FALSE(history.Events({}, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;

    for (int i = 1; i < 5; ++i) writer.Write(IndexedEvent(i));
    writer.Flush();
    EXPECT_FALSE(writer.TakeFailure());  // reported once
    EXPECT_EQ(writer.WrittenCount(), 0u);

    std::filesystem::remove(blocker);
    writer.Write(IndexedEvent(5));
    writer.Flush();
    EXPECT_FALSE(writer.TakeFailure());
    EXPECT_EQ(writer.WrittenCount(), 6u);
    auto events = history.Events({}, error);  // opened again after the failed read
    ASSERT_TRUE(events) << error;
    ExpectSameEvents(*events, IndexedEvents(0, 6));
}

TEST(RecordWriter, KeepsAtMostTenThousandEventsForAnotherTryAndSaysSo) {
    ScratchFolder scratch;
    const std::string blocker = scratch.File("blocked");
    WriteFile(blocker, "x");
    const std::string path = blocker + "/records.sqlite";
    RecordWriter writer(path);
    writer.Write(IndexedEvent(0));
    writer.Flush();
    ASSERT_TRUE(writer.TakeFailure());
    for (int i = 1; i < 10'003; ++i) writer.Write(IndexedEvent(i));
    writer.Flush();
    const auto failure = writer.TakeFailure();
    ASSERT_TRUE(failure);
    // The worker may take the events in several batches: the drop is said once, at its first.
    EXPECT_NE(failure->find("events waiting for it were dropped"), std::string::npos) << *failure;

    std::filesystem::remove(blocker);
    writer.Write(IndexedEvent(10'003));
    writer.Flush();
    EXPECT_EQ(writer.WrittenCount(), 10'001u);
    const auto stored = StoredEvents(path);
    ASSERT_EQ(stored.size(), 10'001u);
    EXPECT_EQ(stored.back().uuid, IndexedEvent(3).uuid);  // 0, 1 and 2 went
}

TEST(RecordWriter, LeavesOutAnEventWithoutUuidAndSaysSo) {
    ScratchFolder scratch;
    const std::string path = scratch.File("records.sqlite");
    RecordWriter writer(path);
    ServiceEvent nameless = IndexedEvent(1);
    nameless.uuid.clear();
    writer.Write(IndexedEvent(0));
    writer.Write(nameless);
    writer.Write(IndexedEvent(2));
    writer.Flush();
    const auto failure = writer.TakeFailure();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("without a UUID"), std::string::npos) << *failure;
    EXPECT_EQ(writer.WrittenCount(), 2u);
}

TEST(StoreHistory, WithoutAWriterCountsNothing) {
    ScratchFolder scratch;
    const std::string path = scratch.File("records.sqlite");
    StoreHistory history(path, nullptr);
    EXPECT_EQ(history.WrittenCount(), 0u);
    std::string error;
    auto events = history.Events({}, error);
    ASSERT_TRUE(events) << error;
    EXPECT_TRUE(events->empty());
}

}  // namespace
}  // namespace corvane::records
