#include "trend/readings_recorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#ifdef __linux__
#include <sys/resource.h>

#include <csignal>
#endif

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

ReadingRow Row(int n) {
    ReadingRow row;
    row.time = std::chrono::system_clock::from_time_t(1'796'000'400) + std::chrono::seconds(n);
    row.CondRaw = 40 + n * 0.1;
    row.Temperature = 22.5;
    row.Out1Current = 4.5;
    if (n % 2 == 1) row.Status = {"Msg 12..Cond Over-rng"};
    return row;
}

class Recorder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("corvane-recorder-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(Recorder, writesTheHeaderAndOneLinePerRowEachReadableAtOnce) {
    ReadingsRecorder recorder;
    const fs::path path = dir / "readings.csv";
    std::string error;
    ASSERT_TRUE(recorder.Start(path.string(), error)) << error;
    EXPECT_TRUE(recorder.Active());
    std::string expected = std::string(kReadingsCsvHeader) + "\n";
    EXPECT_EQ(Slurp(path), expected);
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(recorder.Append(Row(n), error)) << error;
        expected += ReadingsCsvLine(Row(n)) + "\n";
        EXPECT_EQ(Slurp(path), expected) << "row " << n << " is on the disk before the next";
    }
    EXPECT_EQ(recorder.Rows(), 3u);
    recorder.Stop();
    EXPECT_FALSE(recorder.Active());
    EXPECT_EQ(Slurp(path), expected);
}

TEST_F(Recorder, aFileThatCannotBeMadeIsRefusedWithTheReason) {
    ReadingsRecorder recorder;
    std::string error;
    const fs::path path = dir / "no such folder" / "readings.csv";
    EXPECT_FALSE(recorder.Start(path.string(), error));
    EXPECT_EQ(error, "Cannot create " + path.string() + ": No such file or directory");
    EXPECT_FALSE(recorder.Active());
    std::string appendError;
    EXPECT_FALSE(recorder.Append(Row(0), appendError));
}

#ifdef __linux__
TEST_F(Recorder, aFullDeviceStopsTheRecordingWithTheReason) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    ReadingsRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.Start("/dev/full", error));
    EXPECT_EQ(error, "Cannot write /dev/full: No space left on device");
    EXPECT_FALSE(recorder.Active());
}

// The file may grow no further than the header and two and a half rows: the third row is
// written in part, and the recording stops with the file cut back to its last whole row.
TEST_F(Recorder, aWriteThatFailsPartWayLeavesTheFileEndingInAWholeRow) {
    const fs::path path = dir / "readings.csv";
    const std::string whole = std::string(kReadingsCsvHeader) + "\n" + ReadingsCsvLine(Row(0)) +
                              "\n" + ReadingsCsvLine(Row(1)) + "\n";
    const rlim_t limit = whole.size() + ReadingsCsvLine(Row(2)).size() / 2;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    ReadingsRecorder recorder;
    std::string error;
    const bool started = recorder.Start(path.string(), error);
    std::vector<bool> appended;
    for (int n = 0; n < 4 && started && (appended.empty() || appended.back()); ++n) {
        appended.push_back(recorder.Append(Row(n), error));
    }

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(started);
    EXPECT_EQ(appended, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(error, "Cannot write " + path.string() + ": File too large");
    EXPECT_FALSE(recorder.Active());
    EXPECT_EQ(recorder.Rows(), 2u);
    EXPECT_EQ(Slurp(path), whole);
}
#endif

}  // namespace
}  // namespace corvane
