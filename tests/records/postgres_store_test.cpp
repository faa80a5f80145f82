#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "records/record_store.h"
#include "records_test_support.h"

namespace corvane::records {
namespace {

using testing::ExpectSameEvents;
using testing::IndexedEvent;
using testing::ScratchFolder;

constexpr const char* kUser = "corvane";
constexpr const char* kDatabase = "records";

// Runs the server script; its exit status.
int ServerScript(const std::string& arguments) {
    const std::string command = std::string("'") + POSTGRES_SERVER + "' " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A server of the suite's own, started for its first test and stopped after its last.
class PostgresStore : public ::testing::Test {
  public:
    static void SetUpTestSuite() {
        folder_ = (std::filesystem::temp_directory_path() /
                   ("corvane-records-pg-" + std::to_string(::getpid())))
                      .string();
        std::filesystem::remove_all(folder_);
        status_ = ServerScript("start '" + folder_ + "' " + kUser + " " + kDatabase);
    }
    static void TearDownTestSuite() {
        if (status_ == 0) ServerScript("stop '" + folder_ + "'");
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

  protected:
    void SetUp() override {
        if (status_ == 77) GTEST_SKIP() << "the PostgreSQL server programs are not installed";
        ASSERT_EQ(status_, 0) << "the test's PostgreSQL server did not start (see above)";
        // Every test starts from an empty database.
        ChangeDirectly("DROP TABLE IF EXISTS events, schema_version");
    }

    // "postgresql://corvane@%2Ftmp%2F...%2Fcorvane-records-pg-N/records"
    static std::string Location() {
        std::string host;
        for (const char c : folder_) host += c == '/' ? std::string("%2F") : std::string(1, c);
        return std::string("postgresql://") + kUser + "@" + host + "/" + kDatabase;
    }

    static void ChangeDirectly(const QString& sql) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "direct");
            db.setHostName(QString::fromStdString(folder_));
            db.setUserName(kUser);
            db.setDatabaseName(kDatabase);
            ASSERT_TRUE(db.open());
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec("SET client_min_messages TO WARNING"));
            ASSERT_TRUE(query.exec(sql));
        }
        QSqlDatabase::removeDatabase("direct");
    }

    static std::unique_ptr<RecordStore> OpenOrFail(const std::string& location) {
        std::string error;
        auto store = RecordStore::Open(location, error);
        EXPECT_TRUE(store) << error;
        return store;
    }

    static std::string folder_;
    static int status_;
};

std::string PostgresStore::folder_;
int PostgresStore::status_ = -1;

// The server lists, filters and knows sensors exactly as a file does.
TEST_F(PostgresStore, CreatesItsSchemaAndListsAsAFileDoes) {
    ScratchFolder scratch;
    auto file = OpenOrFail(scratch.File("records.sqlite"));
    auto server = OpenOrFail(Location());
    ASSERT_TRUE(file && server);
    EXPECT_TRUE(RecordStore::NamesServer(server->Location()));
    std::vector<ServiceEvent> events;
    for (int i = 0; i < 80; ++i) events.push_back(IndexedEvent(i));
    events[3].timeUtc = events[4].timeUtc;
    events[10].sensor.serialNumber = "a-lower";  // a locale's order would put it elsewhere
    events[11].sensor.serialNumber = "Z-UPPER";
    std::string error;
    ASSERT_TRUE(file->Add(events, error)) << error;
    ASSERT_TRUE(server->Add(events, error)) << error;
    ASSERT_TRUE(server->Add({events[0], events[1]}, error)) << error;  // idempotent

    for (const EventFilter& filter :
         {EventFilter{}, EventFilter{.serialNumber = "S1003"},
          EventFilter{.sinceUtc = events[50].timeUtc, .kind = kind::kDownload},
          EventFilter{.uuid = events[7].uuid}}) {
        auto fromFile = file->Events(filter, error);
        ASSERT_TRUE(fromFile) << error;
        auto fromServer = server->Events(filter, error);
        ASSERT_TRUE(fromServer) << error;
        ExpectSameEvents(*fromServer, *fromFile);
    }
    auto fileSensors = file->Sensors(error);
    ASSERT_TRUE(fileSensors) << error;
    auto serverSensors = server->Sensors(error);
    ASSERT_TRUE(serverSensors) << error;
    ASSERT_EQ(serverSensors->size(), fileSensors->size());
    for (std::size_t i = 0; i < fileSensors->size(); ++i) {
        EXPECT_EQ((*serverSensors)[i].serialNumber, (*fileSensors)[i].serialNumber);
        EXPECT_EQ((*serverSensors)[i].plantNumber, (*fileSensors)[i].plantNumber);
    }

    // A second connection finds the schema made and does not make it again.
    auto again = OpenOrFail(Location());
    ASSERT_TRUE(again);
    auto uuids = again->Uuids(error);
    ASSERT_TRUE(uuids) << error;
    EXPECT_EQ(uuids->size(), events.size());
}

TEST_F(PostgresStore, PushTwiceHoldsEachEventOnceAndPullGivesTheSameEvents) {
    ScratchFolder scratch;
    auto local = OpenOrFail(scratch.File("local.sqlite"));
    auto server = OpenOrFail(Location());
    ASSERT_TRUE(local && server);
    std::vector<ServiceEvent> events;
    for (int i = 0; i < 300; ++i) events.push_back(IndexedEvent(i));
    std::string error;
    ASSERT_TRUE(local->Add(events, error)) << error;
    // The server holds some of them already (another workstation pushed them).
    ASSERT_TRUE(server->Add({events[0], events[150]}, error)) << error;

    auto copied = CopyMissingEvents(*local, *server, error, 64);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(*copied, 298);
    copied = CopyMissingEvents(*local, *server, error, 64);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(*copied, 0);
    auto uuids = server->Uuids(error);
    ASSERT_TRUE(uuids) << error;
    EXPECT_EQ(uuids->size(), 300u);

    auto pulled = OpenOrFail(scratch.File("pulled.sqlite"));
    ASSERT_TRUE(pulled);
    copied = CopyMissingEvents(*server, *pulled, error);
    ASSERT_TRUE(copied) << error;
    EXPECT_EQ(*copied, 300);
    auto original = local->Events({}, error);
    ASSERT_TRUE(original) << error;
    auto copy = pulled->Events({}, error);
    ASSERT_TRUE(copy) << error;
    ExpectSameEvents(*copy, *original);
}

TEST_F(PostgresStore, RefusesANewerSchema) {
    ASSERT_TRUE(OpenOrFail(Location()));
    ChangeDirectly("UPDATE schema_version SET version = 5");
    std::string error;
    EXPECT_FALSE(RecordStore::Open(Location(), error));
    EXPECT_NE(error.find("schema 5, this program knows"), std::string::npos) << error;
    EXPECT_NE(error.find(Location()), std::string::npos) << error;
}

}  // namespace
}  // namespace corvane::records
