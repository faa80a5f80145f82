#include "framework/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

namespace corvane::fw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class AtomicFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("corvane-atomic-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder / "setup.QCF", fs::perms::owner_all, ignored);
        fs::remove_all(folder);
    }
    static void Put(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path folder;
    std::string error;
};

TEST_F(AtomicFile, aFileOfTheOperatorsCalledLikeTheTemporaryIsLeftAlone) {
    Put(folder / "setup.QCF.tmp", "mine");
    ASSERT_TRUE(WriteFileAtomically(folder / "setup.QCF", Bytes{'n', 'e', 'w'}, error)) << error;
    EXPECT_EQ(Get(folder / "setup.QCF"), "new");
    EXPECT_EQ(Get(folder / "setup.QCF.tmp"), "mine");
    EXPECT_FALSE(fs::exists(folder / "setup.QCF.1.tmp"));
}

TEST_F(AtomicFile, aReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    Put(folder / "setup.QCF", "old");
    fs::permissions(folder / "setup.QCF", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(folder / "setup.QCF", folder / "current.QCF");
    ASSERT_TRUE(WriteFileAtomically(folder / "current.QCF", Bytes{'n', 'e', 'w'}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder / "current.QCF"));
    EXPECT_EQ(Get(folder / "setup.QCF"), "new");
    EXPECT_EQ(fs::status(folder / "setup.QCF").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(AtomicFile, aReadOnlyFileIsNotReplaced) {
    Put(folder / "setup.QCF", "kept");
    fs::permissions(folder / "setup.QCF", fs::perms::owner_read);
    EXPECT_FALSE(WriteFileAtomically(folder / "setup.QCF", Bytes{'x'}, error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(Get(folder / "setup.QCF"), "kept");
}

TEST_F(AtomicFile, aPipeOrAFolderIsNotReplacedByAFile) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(WriteFileAtomically(folder / "pipe", Bytes{'x'}, error));
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;
    EXPECT_EQ(fs::status(folder / "pipe").type(), fs::file_type::fifo);
    fs::create_directory(folder / "setups");
    EXPECT_FALSE(WriteFileAtomically(folder / "setups", Bytes{'x'}, error));
    EXPECT_TRUE(fs::is_directory(folder / "setups"));
}

TEST_F(AtomicFile, aFileLargerThanAskedForIsNotRead) {
    Put(folder / "big.QCF", std::string(10000, 'b'));
    Bytes bytes;
    EXPECT_FALSE(ReadWholeFile(folder / "big.QCF", bytes, error, 9999));
    EXPECT_NE(error.find("larger than 9999 bytes"), std::string::npos) << error;
    EXPECT_TRUE(ReadWholeFile(folder / "big.QCF", bytes, error, 10000)) << error;
    EXPECT_EQ(bytes.size(), 10000u);
}

}  // namespace
}  // namespace corvane::fw
