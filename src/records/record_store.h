#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/service_event.h"

namespace corvane::records {

// A store of service events, on Qt SQL: an SQLite file (the store each program writes), or a
// PostgreSQL database a plant's team shares ("postgresql://USER@HOST[:PORT]/DB"; a HOST that
// begins with "%2F" is a folder holding the server's Unix socket, e.g.
// "postgresql://tech@%2Fvar%2Frun%2Fpostgresql/records"; a password comes from PGPASSWORD).
//
// The schema carries its version in a table of its own; opening a store brings an older schema
// up to date (each step in one transaction) and refuses a newer one without touching it. SQLite
// stores run with a write-ahead journal and foreign keys on. Every write is one transaction:
// what a killed writer leaves is every committed event and no part of another.
//
// A store is used from the thread that opened it.
class RecordStore {
  public:
    static constexpr int kSchemaVersion = 1;

    ~RecordStore();
    RecordStore(const RecordStore&) = delete;
    RecordStore& operator=(const RecordStore&) = delete;

    // Opens (creating it, and for a file its folder, when missing) the store at `location`.
    // Nothing, with `error` saying why in a technician's words, when it cannot be opened or its
    // schema is newer than this program's.
    static std::unique_ptr<RecordStore> Open(const std::string& location, std::string& error);

    // Whether `location` names a PostgreSQL database rather than a file.
    static bool NamesServer(const std::string& location);

    // `location` as a message may show it: a password written in it (user:PASSWORD@ or
    // password=PASSWORD) is replaced by "***", so that a refusal never echoes it.
    static std::string Shown(const std::string& location);

    // Adds the events in one transaction, all or none. An event whose UUID the store already
    // holds is left as it is (adding is idempotent).
    bool Add(const std::vector<ServiceEvent>& events, std::string& error);

    // The events that pass `filter`, newest first (time, then UUID). Nothing on a read error.
    std::optional<std::vector<ServiceEvent>> Events(const EventFilter& filter, std::string& error);

    // Every sensor the store holds events of, by serial number (events with the identity not
    // read are left out), each with the identity of its newest event; in serial-number order.
    std::optional<std::vector<SensorIdentity>> Sensors(std::string& error);

    // The UUIDs of every event held, in no particular order.
    std::optional<std::vector<std::string>> Uuids(std::string& error);

    const std::string& Location() const { return location_; }

  private:
    class Connection;
    RecordStore(std::string location, std::unique_ptr<Connection> connection);

    std::string location_;
    std::unique_ptr<Connection> connection_;
};

// Copies the events `to` lacks from `from`, by UUID, in batches of `batch` events (one
// transaction each): what a push to or a pull from a shared server does. Running it twice copies
// nothing the second time. The number copied, or nothing with `error`.
std::optional<int> CopyMissingEvents(RecordStore& from, RecordStore& to, std::string& error,
                                     int batch = 500);

// The store both programs write unless told otherwise:
// <the user's data folder>/Corvane/service-records.sqlite, e.g.
// ~/.local/share/Corvane/service-records.sqlite.
std::string DefaultRecordsPath();

}  // namespace corvane::records
