#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "records/service_event.h"

namespace corvane::records {

// Writes service events into the store at a location, on a thread of its own: handing an event
// over never waits for the store, so a slow, locked or full store delays nothing on the link.
// Events are written in the order they were handed over, each waiting batch in one transaction.
// The store is opened on the first event; one that cannot be opened or written is reported once
// (TakeFailure) and tried again with the next event, and the program's work goes on.
class RecordWriter : public EventSink {
  public:
    explicit RecordWriter(std::string location);
    // Writes what waits (as Flush), then ends the thread.
    ~RecordWriter() override;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    void Write(ServiceEvent event) override;
    // Waits until every event handed over so far has been written or has failed.
    void Flush();
    // The first failure of the run, once: "the service history cannot be written to PATH: why".
    // Nothing when the store has not failed, or the failure was taken already.
    std::optional<std::string> TakeFailure();
    // Events written so far (a window that follows the history reads again when this grows).
    std::uint64_t WrittenCount() const;
    // Events handed over that could not be written so far (kept for the next try).
    std::size_t Unwritten() const;
    // The program tells of events left unwritten itself; the writer does not at its end.
    void LossSaidElsewhere();
    const std::string& Location() const;

  private:
    class Worker;
    std::unique_ptr<Worker> worker_;
};

// The history of the store at a location for a window on the program's main thread: read with a
// connection of its own (opened at the first read, again after a failed one), counting the
// events `writer` has written so far.
class StoreHistory : public EventHistory {
  public:
    StoreHistory(std::string location, const RecordWriter* writer);
    ~StoreHistory() override;

    std::optional<std::vector<ServiceEvent>> Events(const EventFilter& filter,
                                                    std::string& error) override;
    std::optional<std::vector<SensorIdentity>> Sensors(std::string& error) override;
    std::uint64_t WrittenCount() const override;

  private:
    class RecordStore* Store(std::string& error);

    std::string location_;
    const RecordWriter* writer_;
    std::unique_ptr<class RecordStore> store_;
};

}  // namespace corvane::records
