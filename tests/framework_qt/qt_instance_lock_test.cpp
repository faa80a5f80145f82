// One copy at a time: LocalSocketInstanceLock within one process, and across copies of a program
// started as separate processes (instance_lock_claimant) at the same moment.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QUuid>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/qt/qt_host.h"

namespace corvane::fw {
namespace {

constexpr int kWaitMs = 10'000;  // only a broken lock makes a test wait this long

// A title no other test and no real copy of the program uses.
std::string FreshTitle() {
    return "Corvane one-copy test " +
           QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

bool ProcessEventsUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(kWaitMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// A copy of a program asking for `title`, held until released.
class Copy {
  public:
    explicit Copy(const std::string& title) {
        process_.start(INSTANCE_LOCK_CLAIMANT, {QString::fromStdString(title)});
    }
    bool Started() { return process_.waitForStarted(kWaitMs); }
    void Release() {
        process_.write("go\n");
        process_.waitForBytesWritten(kWaitMs);
    }
    // The next line the copy prints; empty when it prints none.
    std::string NextLine() {
        QDeadlineTimer deadline(kWaitMs);
        while (!process_.canReadLine() && process_.state() != QProcess::NotRunning &&
               !deadline.hasExpired()) {
            process_.waitForReadyRead(50);
        }
        return process_.readLine().trimmed().toStdString();
    }
    // Ends the copy as a user would close it.
    void Finish() { process_.closeWriteChannel(); }
    bool EndsCleanly() {
        return process_.waitForFinished(kWaitMs) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }
    void Kill() {
        process_.kill();
        process_.waitForFinished(kWaitMs);
    }

  private:
    QProcess process_;
};

TEST(OneCopyInOneProcess, aSecondClaimFindsTheRunningCopyAndBringsItForward) {
    const std::string title = FreshTitle();
    int raised = 0;
    LocalSocketInstanceLock first;
    LocalSocketInstanceLock second;
    ASSERT_FALSE(first.RaiseRunningCopy(title, [&] { ++raised; }));
    EXPECT_TRUE(second.RaiseRunningCopy(title, [] { ADD_FAILURE() << "the later copy raised"; }))
        << "running copy exists";
    EXPECT_TRUE(ProcessEventsUntil([&] { return raised == 1; }));
}

TEST(OneCopyInOneProcess, theTitleIsFreeAgainOnceTheRunningCopyHasEnded) {
    const std::string title = FreshTitle();
    {
        LocalSocketInstanceLock first;
        ASSERT_FALSE(first.RaiseRunningCopy(title, {}));
    }
    LocalSocketInstanceLock next;
    EXPECT_FALSE(next.RaiseRunningCopy(title, {}));
}

TEST(OneCopyInOneProcess, copiesWithOtherTitlesDoNotExcludeEachOther) {
    LocalSocketInstanceLock one;
    LocalSocketInstanceLock other;
    EXPECT_FALSE(one.RaiseRunningCopy(FreshTitle(), {}));
    EXPECT_FALSE(other.RaiseRunningCopy(FreshTitle(), {}));
}

TEST(OneCopyAcrossProcesses, copiesStartedAtTheSameMomentLeaveExactlyOneClaimingTheTitle) {
    // Many rounds of three copies, as the moment a race is lost comes only now and then.
    constexpr int kRounds = 25;
    constexpr int kCopies = 3;
    for (int round = 0; round < kRounds; ++round) {
        const std::string title = FreshTitle();
        std::vector<std::unique_ptr<Copy>> copies;
        for (int i = 0; i < kCopies; ++i) {
            copies.push_back(std::make_unique<Copy>(title));
            ASSERT_TRUE(copies.back()->Started());
        }
        for (auto& copy : copies) copy->Release();
        std::vector<std::string> answers;
        std::string said;
        for (auto& copy : copies) {
            answers.push_back(copy->NextLine());
            said += " [" + answers.back() + "]";
        }

        ASSERT_EQ(std::count(answers.begin(), answers.end(), "claimed"), 1)
            << "round " << round << ":" << said;
        EXPECT_EQ(std::count(answers.begin(), answers.end(), "running copy exists"), kCopies - 1)
            << "round " << round << ":" << said;
        Copy& holder =
            *copies[std::find(answers.begin(), answers.end(), "claimed") - answers.begin()];
        for (auto& copy : copies) {
            if (copy.get() != &holder) {
                EXPECT_TRUE(copy->EndsCleanly()) << "round " << round;
            }
        }
        for (int i = 1; i < kCopies; ++i) {
            EXPECT_EQ(holder.NextLine(), "raised")
                << "round " << round << ": each later copy brings the running one forward";
        }
        holder.Finish();
        EXPECT_TRUE(holder.EndsCleanly()) << "round " << round;
    }
}

TEST(OneCopyAcrossProcesses, aCopyThatDiedLeavesTheTitleFreeForTheNext) {
    const std::string title = FreshTitle();
    Copy crashed(title);
    ASSERT_TRUE(crashed.Started());
    crashed.Release();
    ASSERT_EQ(crashed.NextLine(), "claimed");
    crashed.Kill();  // no clean-up: its lock and its server name stay behind

    LocalSocketInstanceLock next;
    EXPECT_FALSE(next.RaiseRunningCopy(title, {}));
}

// The temporary folder every user shares, as the program finds it without a runtime folder.
class SharedTemporaryFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        savedTmp_ = qgetenv("TMPDIR");
        savedRuntime_ = qgetenv("XDG_RUNTIME_DIR");
        folder_ = std::filesystem::temp_directory_path();  // before it is changed below
        folder_ = folder_ /
                  ("corvane-shared-" + QUuid::createUuid().toString(QUuid::Id128).toStdString());
        std::filesystem::create_directories(folder_);
        std::filesystem::permissions(folder_, static_cast<std::filesystem::perms>(01777));
        qputenv("TMPDIR", QByteArray::fromStdString(folder_.string()));
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        if (savedTmp_.isEmpty()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", savedTmp_);
        }
        if (savedRuntime_.isEmpty()) {
            qunsetenv("XDG_RUNTIME_DIR");
        } else {
            qputenv("XDG_RUNTIME_DIR", savedRuntime_);
        }
        std::filesystem::remove_all(folder_);
    }
    // Where the name of `title` would lie directly in the shared folder.
    QString SharedPath(const std::string& title) const {
        const QByteArray key = QByteArray::fromStdString(title) + qgetenv("USER");
        return QString::fromStdString(folder_.string()) + "/corvane-" +
               QString::fromLatin1(
                   QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
    }
    std::filesystem::path OwnFolder() const {
        return folder_ / ("corvane-" + std::to_string(geteuid()));
    }

    std::filesystem::path folder_;
    QByteArray savedTmp_;
    QByteArray savedRuntime_;
};

TEST_F(SharedTemporaryFolder, aLockAndASocketPlantedThereNeitherBlockNorReceiveTheCopy) {
    const std::string title = FreshTitle();
    QLockFile planted(SharedPath(title) + ".lock");
    ASSERT_TRUE(planted.tryLock(0));
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(SharedPath(title)));
    int asked = 0;
    QObject::connect(&listener, &QLocalServer::newConnection, [&] { ++asked; });

    LocalSocketInstanceLock copy;
    EXPECT_FALSE(copy.RaiseRunningCopy(title, {})) << "the planted lock decided";
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(asked, 0) << "the planted socket was asked to come forward";
    struct stat info {};
    ASSERT_EQ(lstat(OwnFolder().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, geteuid());

    // The copy's own lock still finds it, from the private folder.
    int raised = 0;
    LocalSocketInstanceLock first;
    LocalSocketInstanceLock second;
    const std::string other = FreshTitle();
    ASSERT_FALSE(first.RaiseRunningCopy(other, [&] { ++raised; }));
    EXPECT_TRUE(second.RaiseRunningCopy(other, {}));
    EXPECT_TRUE(ProcessEventsUntil([&] { return raised == 1; }));
}

TEST_F(SharedTemporaryFolder, aFolderOthersMayWriteToIsNotUsedAndTheRuntimeFolderIsPreferred) {
    std::filesystem::create_directory(OwnFolder());
    std::filesystem::permissions(OwnFolder(), std::filesystem::perms::all);  // 0777: planted
    LocalSocketInstanceLock copy;
    EXPECT_FALSE(copy.RaiseRunningCopy(FreshTitle(), {}));
    EXPECT_TRUE(std::filesystem::is_empty(OwnFolder()));

    const auto runtime = folder_ / "runtime";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    LocalSocketInstanceLock inRuntime;
    ASSERT_FALSE(inRuntime.RaiseRunningCopy(FreshTitle(), {}));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(runtime)) {
        ++entries;
    }
    EXPECT_EQ(entries, 2) << "the lock and the socket";
}

}  // namespace
}  // namespace corvane::fw
