#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "records/service_event.h"
#include "records_test_events.h"

namespace corvane::records::testing {

// A folder of the test's own, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("corvane-records-" + std::to_string(::getpid()) + "-" +
                 (test ? std::string(test->name()) : std::string("suite")));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline void ExpectSameEvent(const ServiceEvent& a, const ServiceEvent& b) {
    EXPECT_EQ(a.uuid, b.uuid);
    EXPECT_EQ(a.timeUtc, b.timeUtc) << a.uuid;
    EXPECT_EQ(a.operatorName, b.operatorName) << a.uuid;
    EXPECT_EQ(a.workstation, b.workstation) << a.uuid;
    EXPECT_EQ(a.program, b.program) << a.uuid;
    EXPECT_EQ(a.version, b.version) << a.uuid;
    EXPECT_EQ(a.sensor.serialNumber, b.sensor.serialNumber) << a.uuid;
    EXPECT_EQ(a.sensor.plantNumber, b.sensor.plantNumber) << a.uuid;
    EXPECT_EQ(a.sensor.address, b.sensor.address) << a.uuid;
    EXPECT_EQ(a.sensor.port, b.sensor.port) << a.uuid;
    EXPECT_EQ(a.sensor.softwareIssue, b.sensor.softwareIssue) << a.uuid;
    EXPECT_EQ(a.sensor.identityRead, b.sensor.identityRead) << a.uuid;
    EXPECT_EQ(a.kind, b.kind) << a.uuid;
    EXPECT_EQ(a.result, b.result) << a.uuid;
    EXPECT_EQ(a.summary, b.summary) << a.uuid;
    EXPECT_EQ(a.details, b.details) << a.uuid;
}

inline void ExpectSameEvents(const std::vector<ServiceEvent>& a,
                             const std::vector<ServiceEvent>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) ExpectSameEvent(a[i], b[i]);
}

}  // namespace corvane::records::testing
