#include "records/record_store.h"

#include <QByteArray>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <unordered_set>
#include <utility>

#include "platform/files.h"

namespace corvane::records {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

// What the database said, in one line: its own message when it gave one, else the driver's.
std::string Why(const QSqlError& error) {
    QString text = error.databaseText().simplified();
    if (text.isEmpty()) text = error.driverText().simplified();
    if (text.isEmpty()) text = QStringLiteral("unknown error");
    return S(text);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// The parts of "postgresql://USER@HOST[:PORT]/DB[?key=value&...]", percent-decoded.
struct ServerAddress {
    std::string user;
    std::string host;
    int port = -1;
    std::string database;
    QStringList options;  // libpq connection parameters, "key=value"
};

std::string Decoded(const std::string& text) {
    return S(QUrl::fromPercentEncoding(QByteArray::fromStdString(text)));
}

bool ParseServerAddress(const std::string& location, ServerAddress& address, std::string& why) {
    std::string rest = location.substr(location.find("://") + 3);
    std::string query;
    if (const auto mark = rest.find('?'); mark != std::string::npos) {
        query = rest.substr(mark + 1);
        rest.erase(mark);
    }
    const auto slash = rest.find('/');
    if (slash == std::string::npos || slash + 1 == rest.size()) {
        why = "the address names no database (postgresql://USER@HOST[:PORT]/DATABASE)";
        return false;
    }
    address.database = Decoded(rest.substr(slash + 1));
    std::string authority = rest.substr(0, slash);
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        const std::string user = authority.substr(0, at);
        if (user.find(':') != std::string::npos) {
            why = "the address holds a password; give it in the environment variable PGPASSWORD";
            return false;
        }
        address.user = Decoded(user);
        authority.erase(0, at + 1);
    }
    std::string portText;
    if (!authority.empty() && authority.front() == '[') {  // [IPv6]
        const auto close = authority.find(']');
        if (close == std::string::npos) {
            why = "the server's address is incomplete";
            return false;
        }
        address.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') {
                why = "the server's address is not understood";
                return false;
            }
            portText = authority.substr(close + 2);
        }
    } else {
        const auto colon = authority.rfind(':');
        if (colon != std::string::npos) {
            portText = authority.substr(colon + 1);
            authority.erase(colon);
        }
        // A host that begins with "%2F" is the folder of the server's Unix socket.
        address.host = Decoded(authority);
    }
    if (!portText.empty()) {
        bool ok = false;
        const int port = Q(portText).toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            why = "the port " + portText + " is not a port number";
            return false;
        }
        address.port = port;
    }
    bool timeoutGiven = false;
    for (const QString& pair : Q(query).split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const auto equals = pair.indexOf(QLatin1Char('='));
        const QString key = QUrl::fromPercentEncoding(pair.left(equals).toUtf8());
        const QString value =
            equals < 0 ? QString() : QUrl::fromPercentEncoding(pair.mid(equals + 1).toUtf8());
        if (key == QLatin1String("password")) {
            why = "the address holds a password; give it in the environment variable PGPASSWORD";
            return false;
        }
        if (key.isEmpty() || key.contains(QLatin1Char(';')) || value.contains(QLatin1Char(';'))) {
            why = "the address's parameter \"" + S(pair) + "\" is not understood";
            return false;
        }
        if (key == QLatin1String("connect_timeout")) timeoutGiven = true;
        address.options << key + QLatin1Char('=') + value;
    }
    // An unreachable server is told within seconds rather than after the system's TCP timeout.
    if (!timeoutGiven) address.options << QStringLiteral("connect_timeout=10");
    return true;
}

std::atomic<unsigned> connectionNumber{0};

// The columns of the events table, in the order every query reads and writes them.
constexpr const char* kColumns =
    "uuid, time_utc, operator, workstation, program, version, serial, plant, address, port, "
    "issue, identity_read, kind, result, summary, details";

ServiceEvent EventFrom(const QSqlQuery& row) {
    ServiceEvent event;
    event.uuid = S(row.value(0).toString());
    event.timeUtc = S(row.value(1).toString());
    event.operatorName = S(row.value(2).toString());
    event.workstation = S(row.value(3).toString());
    event.program = S(row.value(4).toString());
    event.version = S(row.value(5).toString());
    event.sensor.serialNumber = S(row.value(6).toString());
    event.sensor.plantNumber = S(row.value(7).toString());
    event.sensor.address = row.value(8).toInt();
    event.sensor.port = S(row.value(9).toString());
    event.sensor.softwareIssue = S(row.value(10).toString());
    event.sensor.identityRead = row.value(11).toInt() != 0;
    event.kind = S(row.value(12).toString());
    event.result = S(row.value(13).toString());
    event.summary = S(row.value(14).toString());
    event.details = S(row.value(15).toString());
    return event;
}

// One Qt SQL connection of a uniquely named entry, removed with it.
class Database {
  public:
    Database(const QString& driver, bool server)
        : name_(QStringLiteral("corvane-records-%1").arg(++connectionNumber)), server_(server) {
        db_ = QSqlDatabase::addDatabase(driver, name_);
    }
    ~Database() {
        if (db_.isValid()) db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QSqlDatabase& Db() { return db_; }
    bool Server() const { return server_; }

    // A text column: the server compares them byte by byte as SQLite does, whatever its locale,
    // so that both list in the same order.
    const char* Text() const { return server_ ? "TEXT COLLATE \"C\"" : "TEXT"; }

    bool Exec(const QString& sql, std::string& why) {
        QSqlQuery query(db_);
        if (!query.exec(sql)) {
            why = Why(query.lastError());
            return false;
        }
        return true;
    }

    // A write transaction. SQLite takes the write lock at once, so that a second program
    // writing waits (busy timeout) rather than failing when it would have to upgrade its lock.
    bool Begin(std::string& why) {
        if (server_) {
            if (!db_.transaction()) {
                why = Why(db_.lastError());
                return false;
            }
            return true;
        }
        return Exec(QStringLiteral("BEGIN IMMEDIATE"), why);
    }
    bool Commit(std::string& why) {
        if (server_) {
            if (!db_.commit()) {
                why = Why(db_.lastError());
                Rollback();
                return false;
            }
            return true;
        }
        if (!Exec(QStringLiteral("COMMIT"), why)) {
            Rollback();
            return false;
        }
        return true;
    }
    void Rollback() {
        if (server_) {
            db_.rollback();
        } else {
            std::string ignored;
            Exec(QStringLiteral("ROLLBACK"), ignored);
        }
    }

  private:
    QString name_;
    bool server_;
    QSqlDatabase db_;
};

using Connection = Database;

// The schema's version: 0 when the store holds none yet, -1 (with `why`) on a read error.
int SchemaVersion(Connection& c, std::string& why) {
    QSqlQuery query(c.Db());
    query.setForwardOnly(true);
    const QString exists =
        c.Server() ? QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL")
                   : QStringLiteral(
                         "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = "
                         "'schema_version'");
    if (!query.exec(exists) || !query.next()) {
        why = Why(query.lastError());
        return -1;
    }
    if (!query.value(0).toBool()) return 0;
    if (!query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) || !query.next()) {
        why = Why(query.lastError());
        return -1;
    }
    return query.value(0).toInt();
}

// Whether an SQLite file holds tables of something else (and no schema version).
bool HoldsOtherTables(Connection& c, std::string& why) {
    QSqlQuery query(c.Db());
    if (!query.exec(QStringLiteral(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
            "'sqlite_%'")) ||
        !query.next()) {
        why = Why(query.lastError());
        return true;
    }
    return query.value(0).toInt() > 0;
}

// The steps that bring a schema of version N to N + 1, the first from nothing.
bool MigrateStep(Connection& c, int from, std::string& why) {
    switch (from) {
        case 0: {
            const QString text = QString::fromLatin1(c.Text());
            const QStringList statements{
                QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT "
                               "NULL)"),
                QStringLiteral("CREATE TABLE IF NOT EXISTS events ("
                               "uuid %1 PRIMARY KEY, "
                               "time_utc %1 NOT NULL, "
                               "operator %1 NOT NULL, "
                               "workstation %1 NOT NULL, "
                               "program %1 NOT NULL, "
                               "version %1 NOT NULL, "
                               "serial %1 NOT NULL, "
                               "plant %1 NOT NULL, "
                               "address INTEGER NOT NULL, "
                               "port %1 NOT NULL, "
                               "issue %1 NOT NULL, "
                               "identity_read INTEGER NOT NULL, "
                               "kind %1 NOT NULL, "
                               "result %1 NOT NULL, "
                               "summary %1 NOT NULL, "
                               "details %1 NOT NULL)")
                    .arg(text),
                QStringLiteral(
                    "CREATE INDEX IF NOT EXISTS events_by_sensor ON events (serial, time_utc)"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS events_by_time ON events (time_utc)"),
            };
            for (const QString& sql : statements) {
                if (!c.Exec(sql, why)) return false;
            }
            return true;
        }
        default: why = "no step from schema " + std::to_string(from); return false;
    }
}

std::string NewerSchema(const std::string& location, int version) {
    return "the service history " + location +
           " was written by a newer version of the program (schema " + std::to_string(version) +
           ", this program knows " + std::to_string(RecordStore::kSchemaVersion) +
           "); it is left as it is";
}

// Brings the schema up to date, each step in one transaction. Two programs opening a new store
// at once: the second waits for the first's step and finds it done.
bool Migrate(Connection& c, const std::string& location, std::string& error) {
    const auto cannot = [&](const std::string& why) {
        error = "the service history " + location + " cannot be opened: " + why;
        return false;
    };
    std::string why;
    int version = SchemaVersion(c, why);
    if (version < 0) {
        if (!c.Server()) return cannot(why + "; it is left as it is");
        return cannot(why);
    }
    if (version > RecordStore::kSchemaVersion) {
        error = NewerSchema(location, version);
        return false;
    }
    if (version == 0 && !c.Server()) {
        if (HoldsOtherTables(c, why)) {
            return cannot(why.empty() ? "it holds other data than a service history; it is left "
                                        "as it is"
                                      : why);
        }
    }
    while (version < RecordStore::kSchemaVersion) {
        if (!c.Begin(why)) return cannot(why);
        if (c.Server() && !c.Exec(QStringLiteral("SELECT pg_advisory_xact_lock(7340120)"), why)) {
            c.Rollback();
            return cannot(why);
        }
        const int now = SchemaVersion(c, why);  // another program may have done the step
        if (now < 0) {
            c.Rollback();
            return cannot(why);
        }
        if (now > RecordStore::kSchemaVersion) {
            c.Rollback();
            error = NewerSchema(location, now);
            return false;
        }
        if (now != version) {
            c.Rollback();
            version = now;
            continue;
        }
        if (!MigrateStep(c, version, why)) {
            c.Rollback();
            return cannot("its schema cannot be brought up to date: " + why);
        }
        const QString record = version == 0 ? QStringLiteral(
                                                  "INSERT INTO schema_version (version) "
                                                  "VALUES (%1)")
                                            : QStringLiteral(
                                                  "UPDATE schema_version SET version "
                                                  "= %1");
        if (!c.Exec(record.arg(version + 1), why)) {
            c.Rollback();
            return cannot("its schema cannot be brought up to date: " + why);
        }
        if (!c.Commit(why)) return cannot("its schema cannot be brought up to date: " + why);
        ++version;
    }
    return true;
}

}  // namespace

class RecordStore::Connection : public Database {
  public:
    using Database::Database;
};

RecordStore::RecordStore(std::string location, std::unique_ptr<Connection> connection)
    : location_(std::move(location)), connection_(std::move(connection)) {}

RecordStore::~RecordStore() = default;

namespace {

// The folders of a record that do not exist yet are made for their owner alone (0700), whatever
// the umask: a technician's record says which sensors were where, and who did what.
bool MakeOwnFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    if (folder.has_parent_path() && folder.parent_path() != folder &&
        !MakeOwnFolders(folder.parent_path())) {
        return false;
    }
    if (!std::filesystem::create_directory(folder, ec)) {
        return std::filesystem::is_directory(folder, ec);  // made meanwhile by another
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    return true;
}

// A record that does not exist yet is created empty for its owner alone (0600), whatever the
// umask, before the database opens it; one already there is left as it is. Where it cannot be
// created, the database's own opening says why.
void CreatePrivately(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return;
    if (!platform::CreateNewFile(file, 0600)) return;
    std::filesystem::permissions(
        file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
}

}  // namespace

std::string RecordStore::Shown(const std::string& location) {
    std::string shown = location;
    // user:PASSWORD@ between "://" and the host.
    if (const auto scheme = shown.find("://"); scheme != std::string::npos) {
        const auto start = scheme + 3;
        const auto end = shown.find_first_of("/?", start);
        const auto at = shown.rfind('@', end == std::string::npos ? std::string::npos : end);
        if (at != std::string::npos && at >= start) {
            const auto colon = shown.find(':', start);
            if (colon != std::string::npos && colon < at) {
                shown.replace(colon + 1, at - colon - 1, "***");
            }
        }
    }
    // password=PASSWORD among the options.
    for (std::size_t key = shown.find("password="); key != std::string::npos;
         key = shown.find("password=", key + 1)) {
        const auto value = key + 9;
        const auto end = shown.find('&', value);
        shown.replace(value, (end == std::string::npos ? shown.size() : end) - value, "***");
    }
    return shown;
}

bool RecordStore::NamesServer(const std::string& location) {
    return StartsWithNoCase(location, "postgresql://") || StartsWithNoCase(location, "postgres://");
}

std::unique_ptr<RecordStore> RecordStore::Open(const std::string& location, std::string& error) {
    const auto cannot = [&](const std::string& why) -> std::unique_ptr<RecordStore> {
        error = "the service history " + Shown(location) + " cannot be opened: " + why;
        return nullptr;
    };
    if (location.empty()) {
        error = "no service history is named (an empty location)";
        return nullptr;
    }
    const bool server = NamesServer(location);
    const QString driver = server ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        return cannot("the Qt SQL driver " + S(driver) + " is not installed (" +
                      (server ? "libqt6sql6-psql" : "libqt6sql6-sqlite") + ")");
    }
    auto connection = std::make_unique<Connection>(driver, server);
    QSqlDatabase& db = connection->Db();
    std::string why;
    if (server) {
        ServerAddress address;
        if (!ParseServerAddress(location, address, why)) return cannot(why);
        if (!address.host.empty()) db.setHostName(Q(address.host));
        if (address.port > 0) db.setPort(address.port);
        if (!address.user.empty()) db.setUserName(Q(address.user));
        db.setDatabaseName(Q(address.database));
        db.setConnectOptions(address.options.join(QLatin1Char(';')));
    } else {
        const QFileInfo file(Q(location));
        if (file.isDir()) return cannot("it is a folder");
        const QString folder = file.absolutePath();
        if (!MakeOwnFolders(folder.toStdString())) {
            return cannot("its folder " + S(folder) + " cannot be created");
        }
        CreatePrivately(file.absoluteFilePath().toStdString());
        db.setDatabaseName(file.absoluteFilePath());
    }
    if (!db.open()) return cannot(Why(db.lastError()));
    if (server) {
        // The notices of "IF NOT EXISTS" are of no interest to a technician.
        if (!connection->Exec(QStringLiteral("SET client_min_messages TO WARNING"), why)) {
            return cannot(why);
        }
    } else {
        // Connection settings only; nothing is written to the file before its schema is read.
        if (!connection->Exec(QStringLiteral("PRAGMA busy_timeout = 5000"), why) ||
            !connection->Exec(QStringLiteral("PRAGMA foreign_keys = ON"), why)) {
            return cannot(why);
        }
    }
    if (!Migrate(*connection, location, error)) return nullptr;
    if (!server) {
        // Readers and one writer at a time, without blocking each other; a killed writer leaves
        // its unfinished transaction in the journal, where the next opening drops it.
        if (!connection->Exec(QStringLiteral("PRAGMA journal_mode = WAL"), why)) {
            return cannot(why);
        }
    }
    return std::unique_ptr<RecordStore>(new RecordStore(location, std::move(connection)));
}

bool RecordStore::Add(const std::vector<ServiceEvent>& events, std::string& error) {
    if (events.empty()) return true;
    const auto cannot = [&](const std::string& why) {
        error = "the service history cannot be written to " + location_ + ": " + why;
        return false;
    };
    for (const ServiceEvent& event : events) {
        if (event.uuid.empty()) return cannot("an event has no UUID");
    }
    Connection& c = *connection_;
    std::string why;
    if (!c.Begin(why)) return cannot(why);
    {
        QSqlQuery query(c.Db());
        const QString sql = c.Server() ? QStringLiteral(
                                             "INSERT INTO events (%1) VALUES "
                                             "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                                             "ON CONFLICT (uuid) DO NOTHING")
                                       : QStringLiteral(
                                             "INSERT OR IGNORE INTO events (%1) VALUES "
                                             "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        if (!query.prepare(sql.arg(QLatin1String(kColumns)))) {
            why = Why(query.lastError());
            query.finish();
            c.Rollback();
            return cannot(why);
        }
        for (const ServiceEvent& event : events) {
            query.bindValue(0, Q(event.uuid));
            query.bindValue(1, Q(event.timeUtc));
            query.bindValue(2, Q(event.operatorName));
            query.bindValue(3, Q(event.workstation));
            query.bindValue(4, Q(event.program));
            query.bindValue(5, Q(event.version));
            query.bindValue(6, Q(event.sensor.serialNumber));
            query.bindValue(7, Q(event.sensor.plantNumber));
            query.bindValue(8, event.sensor.address);
            query.bindValue(9, Q(event.sensor.port));
            query.bindValue(10, Q(event.sensor.softwareIssue));
            query.bindValue(11, event.sensor.identityRead ? 1 : 0);
            query.bindValue(12, Q(event.kind));
            query.bindValue(13, Q(event.result));
            query.bindValue(14, Q(event.summary));
            query.bindValue(15, Q(event.details));
            if (!query.exec()) {
                why = Why(query.lastError());
                query.finish();
                c.Rollback();
                return cannot(why);
            }
        }
    }
    if (!c.Commit(why)) return cannot(why);
    return true;
}

std::optional<std::vector<ServiceEvent>> RecordStore::Events(const EventFilter& filter,
                                                             std::string& error) {
    QString sql = QStringLiteral("SELECT %1 FROM events").arg(QLatin1String(kColumns));
    QStringList conditions;
    QList<QString> values;
    if (!filter.serialNumber.empty()) {
        conditions << QStringLiteral("serial = ?");
        values << Q(filter.serialNumber);
    }
    if (!filter.sinceUtc.empty()) {
        conditions << QStringLiteral("time_utc >= ?");
        values << Q(filter.sinceUtc);
    }
    if (!filter.kind.empty()) {
        conditions << QStringLiteral("kind = ?");
        values << Q(filter.kind);
    }
    if (!filter.uuid.empty()) {
        conditions << QStringLiteral("uuid = ?");
        values << Q(filter.uuid);
    }
    if (!conditions.isEmpty()) sql += QStringLiteral(" WHERE ") + conditions.join(" AND ");
    sql += QStringLiteral(" ORDER BY time_utc DESC, uuid");

    QSqlQuery query(connection_->Db());
    query.setForwardOnly(true);
    const auto cannot = [&]() {
        error = "the service history " + location_ + " cannot be read: " + Why(query.lastError());
        return std::nullopt;
    };
    if (!query.prepare(sql)) return cannot();
    for (qsizetype i = 0; i < values.size(); ++i) query.bindValue(static_cast<int>(i), values[i]);
    if (!query.exec()) return cannot();
    std::vector<ServiceEvent> events;
    while (query.next()) events.push_back(EventFrom(query));
    if (query.lastError().isValid()) return cannot();
    return events;
}

std::optional<std::vector<SensorIdentity>> RecordStore::Sensors(std::string& error) {
    QSqlQuery query(connection_->Db());
    query.setForwardOnly(true);
    const QString sql = QStringLiteral(
        "SELECT serial, plant, address, port, issue FROM ("
        "SELECT serial, plant, address, port, issue, ROW_NUMBER() OVER "
        "(PARTITION BY serial ORDER BY time_utc DESC, uuid) AS newest "
        "FROM events WHERE serial <> '' AND identity_read <> 0) AS latest "
        "WHERE newest = 1 ORDER BY serial");
    if (!query.exec(sql)) {
        error = "the service history " + location_ + " cannot be read: " + Why(query.lastError());
        return std::nullopt;
    }
    std::vector<SensorIdentity> sensors;
    while (query.next()) {
        SensorIdentity sensor;
        sensor.serialNumber = S(query.value(0).toString());
        sensor.plantNumber = S(query.value(1).toString());
        sensor.address = query.value(2).toInt();
        sensor.port = S(query.value(3).toString());
        sensor.softwareIssue = S(query.value(4).toString());
        sensor.identityRead = true;
        sensors.push_back(std::move(sensor));
    }
    return sensors;
}

std::optional<std::vector<std::string>> RecordStore::Uuids(std::string& error) {
    QSqlQuery query(connection_->Db());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT uuid FROM events"))) {
        error = "the service history " + location_ + " cannot be read: " + Why(query.lastError());
        return std::nullopt;
    }
    std::vector<std::string> uuids;
    while (query.next()) uuids.push_back(S(query.value(0).toString()));
    return uuids;
}

std::optional<int> CopyMissingEvents(RecordStore& from, RecordStore& to, std::string& error,
                                     int batch) {
    batch = std::max(batch, 1);
    const auto held = to.Uuids(error);
    if (!held) return std::nullopt;
    const std::unordered_set<std::string> present(held->begin(), held->end());
    auto events = from.Events({}, error);
    if (!events) return std::nullopt;
    // Oldest first, so that a copy cut short leaves the newest ones to the next run.
    std::reverse(events->begin(), events->end());
    std::vector<ServiceEvent> missing;
    for (ServiceEvent& event : *events) {
        if (present.count(event.uuid) == 0) missing.push_back(std::move(event));
    }
    int copied = 0;
    for (std::size_t start = 0; start < missing.size(); start += static_cast<std::size_t>(batch)) {
        const std::size_t end = std::min(missing.size(), start + static_cast<std::size_t>(batch));
        const std::vector<ServiceEvent> part(std::make_move_iterator(missing.begin() + start),
                                             std::make_move_iterator(missing.begin() + end));
        if (!to.Add(part, error)) return std::nullopt;
        copied += static_cast<int>(part.size());
    }
    return copied;
}

std::string DefaultRecordsPath() {
    return S(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
           "/Corvane/service-records.sqlite";
}

}  // namespace corvane::records
