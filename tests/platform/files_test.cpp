#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/host_name.h"

namespace corvane::platform {
namespace {

namespace fs = std::filesystem;

class PlainFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("corvane-plain-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
};

TEST_F(PlainFile, opensWithItsSizeAndSaysWhatElseIsThere) {
    std::ofstream(folder / "image.hex", std::ios::binary) << ":00000001FF\r\n";
    const OpenedFile file = OpenPlainFile(folder / "image.hex");
    ASSERT_TRUE(file.file);
    EXPECT_EQ(file.kind, FileKind::Plain);
    EXPECT_EQ(file.size, 13u);
    EXPECT_EQ(file.error, 0);
    char first = 0;
    EXPECT_EQ(std::fread(&first, 1, 1, file.file.get()), 1u);
    EXPECT_EQ(first, ':');

    const OpenedFile none = OpenPlainFile(folder / "none.hex");
    EXPECT_FALSE(none.file);
    EXPECT_EQ(none.error, ENOENT);

    const OpenedFile setups = OpenPlainFile(folder);
    EXPECT_FALSE(setups.file);
    EXPECT_EQ(setups.error, 0);
    EXPECT_EQ(setups.kind, FileKind::Folder);

    // A device is closed again before it could be read (or, for a console, wait for a key).
#ifdef _WIN32
    const OpenedFile device = OpenPlainFile("NUL");
#else
    const OpenedFile device = OpenPlainFile("/dev/null");
#endif
    EXPECT_FALSE(device.file);
    EXPECT_EQ(device.error, 0);
    EXPECT_EQ(device.kind, FileKind::Other);
}

// Measured by the system, so a file of 2 GiB and more (past a 32-bit long) has its true size.
TEST_F(PlainFile, aFileOfMoreThanTwoGibibytesHasItsTrueSize) {
    std::ofstream(folder / "huge.hex", std::ios::binary).put(':');
    std::error_code ec;
    fs::resize_file(folder / "huge.hex", 3ULL << 30, ec);  // sparse: no disk taken
    if (ec) GTEST_SKIP() << "no sparse file of 3 GiB here: " << ec.message();
    const OpenedFile file = OpenPlainFile(folder / "huge.hex");
    ASSERT_TRUE(file.file);
    EXPECT_EQ(file.size, 3ULL << 30);
}

#ifndef _WIN32
using PlainFilePosix = PlainFile;

TEST_F(PlainFilePosix, aPipeWithNoWriterIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    const OpenedFile pipe = OpenPlainFile(folder / "pipe");
    EXPECT_FALSE(pipe.file);
    EXPECT_EQ(pipe.error, 0);
    EXPECT_EQ(pipe.kind, FileKind::Other);
}
#endif

TEST(HostName, isTheMachinesNameInPrintableText) {
    const std::string name = HostName();
    ASSERT_FALSE(name.empty());
    for (const char c : name) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << name;
}

}  // namespace
}  // namespace corvane::platform
