#include "framework/atomic_file.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

TEST_F(AtomicFile, aReadOnlyFileIsNotReplaced) {
    Put(folder / "setup.QCF", "kept");
    fs::permissions(folder / "setup.QCF", fs::perms::owner_read);
    EXPECT_FALSE(WriteFileAtomically(folder / "setup.QCF", Bytes{'x'}, error));
    EXPECT_NE(error.find("read-only"), std::string::npos) << error;
    EXPECT_EQ(Get(folder / "setup.QCF"), "kept");
}

TEST_F(AtomicFile, aFileLargerThanAskedForIsNotRead) {
    Put(folder / "big.QCF", std::string(10000, 'b'));
    Bytes bytes;
    EXPECT_FALSE(ReadWholeFile(folder / "big.QCF", bytes, error, 9999));
    EXPECT_NE(error.find("larger than 9999 bytes"), std::string::npos) << error;
    EXPECT_TRUE(ReadWholeFile(folder / "big.QCF", bytes, error, 10000)) << error;
    EXPECT_EQ(bytes.size(), 10000u);
}

TEST_F(AtomicFile, aFolderIsNotReplacedByAFile) {
    fs::create_directory(folder / "setups");
    EXPECT_FALSE(WriteFileAtomically(folder / "setups", Bytes{'x'}, error));
    EXPECT_TRUE(fs::is_directory(folder / "setups"));
}

TEST_F(AtomicFile, onlyAPlainFileIsRead) {
    fs::create_directory(folder / "setups");
    Bytes bytes;
    EXPECT_FALSE(ReadWholeFile(folder / "setups", bytes, error));
    EXPECT_NE(error.find("a folder"), std::string::npos) << error;
    bool missing = false;
#ifdef _WIN32
    EXPECT_FALSE(ReadWholeFile("NUL", bytes, error, 100, &missing));
#else
    EXPECT_FALSE(ReadWholeFile("/dev/zero", bytes, error, 100, &missing));
#endif
    EXPECT_NE(error.find("a device"), std::string::npos) << error;
    EXPECT_FALSE(missing);
    EXPECT_FALSE(ReadWholeFile(folder / "none", bytes, error, 100, &missing));
    EXPECT_TRUE(missing);
}

// Named pipes, symbolic links, file modes and the umask, and other users.
#ifndef _WIN32
using AtomicFilePosix = AtomicFile;

TEST_F(AtomicFilePosix, aPipeIsNotReplacedByAFileNorEverHoldsTheReader) {
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(WriteFileAtomically(folder / "pipe", Bytes{'x'}, error));
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;
    EXPECT_EQ(fs::status(folder / "pipe").type(), fs::file_type::fifo);
    Bytes bytes;
    EXPECT_FALSE(ReadWholeFile(folder / "pipe", bytes, error));
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;
}

TEST_F(AtomicFilePosix, aReplacedFileKeepsItsPermissionsAndALinkStaysALink) {
    Put(folder / "setup.QCF", "old");
    fs::permissions(folder / "setup.QCF", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(folder / "setup.QCF", folder / "current.QCF");
    ASSERT_TRUE(WriteFileAtomically(folder / "current.QCF", Bytes{'n', 'e', 'w'}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder / "current.QCF"));
    EXPECT_EQ(Get(folder / "setup.QCF"), "new");
    EXPECT_EQ(fs::status(folder / "setup.QCF").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// Another user's link in a shared sticky folder (as /tmp is) is not followed: as root, a write
// through it would replace whatever root-only file that user aimed it at.
TEST_F(AtomicFilePosix, aLinkAnotherUserLeftInASharedStickyFolderIsNotFollowed) {
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and the user nobody";
    fs::create_directory(folder / "shared");
    fs::permissions(folder / "shared", static_cast<fs::perms>(01777));
    Put(folder / "secret", "root only");
    fs::permissions(folder / "secret", fs::perms::owner_read | fs::perms::owner_write);
    const fs::path planted = folder / "shared" / "x.QCF";
    fs::create_symlink(folder / "secret", planted);
    ASSERT_EQ(lchown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);

    EXPECT_FALSE(WriteFileAtomically(planted, Bytes{'n', 'e', 'w'}, error));
    EXPECT_NE(error.find("link another user left in a shared folder"), std::string::npos) << error;
    EXPECT_EQ(Get(folder / "secret"), "root only");
    EXPECT_TRUE(fs::is_symlink(planted));
    EXPECT_FALSE(fs::exists(folder / "secret.tmp"));
    // A chain is checked link by link: the user's own link to the planted one is refused too.
    fs::create_symlink(planted, folder / "mine.QCF");
    EXPECT_FALSE(WriteFileAtomically(folder / "mine.QCF", Bytes{'n'}, error, FileAccess::Private));
    EXPECT_EQ(Get(folder / "secret"), "root only");

    // The user's own link there is followed, and so is another user's outside a sticky folder.
    fs::remove(planted);
    fs::create_symlink(folder / "secret", planted);
    EXPECT_TRUE(WriteFileAtomically(planted, Bytes{'o', 'w', 'n'}, error)) << error;
    EXPECT_EQ(Get(folder / "secret"), "own");
    fs::permissions(folder / "shared", static_cast<fs::perms>(0777));
    ASSERT_EQ(lchown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_TRUE(WriteFileAtomically(planted, Bytes{'o', 'k'}, error)) << error;
    EXPECT_EQ(Get(folder / "secret"), "ok");
}

// Nor is such a link read through: a state or configuration file another user planted in a
// shared working folder could make the program load whatever that user aimed it at.
TEST_F(AtomicFilePosix, aLinkAnotherUserLeftInASharedStickyFolderIsNotReadThrough) {
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and the user nobody";
    fs::create_directory(folder / "shared");
    fs::permissions(folder / "shared", static_cast<fs::perms>(01777));
    Put(folder / "chosen", "planted settings");
    const fs::path planted = folder / "shared" / "Vexor.qzt";
    fs::create_symlink(folder / "chosen", planted);
    ASSERT_EQ(lchown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);

    std::vector<std::uint8_t> bytes;
    bool missing = true;
    EXPECT_FALSE(ReadWholeFile(planted, bytes, error, 1024, &missing));
    EXPECT_NE(error.find("Cannot read"), std::string::npos) << error;
    EXPECT_NE(error.find("link another user left in a shared folder"), std::string::npos) << error;
    EXPECT_FALSE(missing);
    EXPECT_TRUE(bytes.empty());

    fs::permissions(folder / "shared", static_cast<fs::perms>(0777));  // no longer sticky
    EXPECT_TRUE(ReadWholeFile(planted, bytes, error, 1024)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "planted settings");
}

TEST_F(AtomicFilePosix, aDanglingLinkGetsTheFileItNamesAndNothingIsLeftInTheWorkingFolder) {
    fs::create_symlink(folder / "made.QCF", folder / "current.QCF");
    ASSERT_TRUE(WriteFileAtomically(folder / "current.QCF", Bytes{'n', 'e', 'w'}, error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder / "current.QCF"));
    EXPECT_EQ(Get(folder / "made.QCF"), "new");

    // Relative to the link's folder, not the working one; a folder that is not there is said.
    fs::create_symlink("missing/far.QCF", folder / "far.QCF");
    EXPECT_FALSE(WriteFileAtomically(folder / "far.QCF", Bytes{'x'}, error));
    EXPECT_NE(error.find((folder / "missing" / "far.QCF").string()), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(".tmp"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "far.QCF.tmp"));
}

TEST_F(AtomicFilePosix, aPrivateFileIsForItsOwnerAloneAndKeepsAStricterMode) {
    const mode_t before = umask(022);
    const auto mode = [](const fs::path& path) {
        return fs::status(path).permissions() & fs::perms::all;
    };
    EXPECT_TRUE(WriteFileAtomically(folder / "new.qzt", Bytes{'a'}, error, FileAccess::Private));
    EXPECT_EQ(mode(folder / "new.qzt"), fs::perms::owner_read | fs::perms::owner_write);
    // One left open to everyone is closed; one only its owner may write stays so.
    Put(folder / "open.qzt", "old");
    fs::permissions(folder / "open.qzt", fs::perms::all);
    EXPECT_TRUE(WriteFileAtomically(folder / "open.qzt", Bytes{'b'}, error, FileAccess::Private));
    EXPECT_EQ(mode(folder / "open.qzt"), fs::perms::owner_read | fs::perms::owner_write);
    Put(folder / "strict.qzt", "old");
    fs::permissions(folder / "strict.qzt", fs::perms::owner_write);
    EXPECT_TRUE(WriteFileAtomically(folder / "strict.qzt", Bytes{'c'}, error, FileAccess::Private));
    EXPECT_EQ(mode(folder / "strict.qzt"), fs::perms::owner_write);
    // A shared file is made as any file the user makes.
    EXPECT_TRUE(WriteFileAtomically(folder / "shared.QCF", Bytes{'d'}, error));
    EXPECT_EQ(mode(folder / "shared.QCF"), static_cast<fs::perms>(0644));
    umask(before);
}
#endif

}  // namespace
}  // namespace corvane::fw
