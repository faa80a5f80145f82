#include <gtest/gtest.h>
#include <signal.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

namespace {

// corvane-control-centre --headless --simulate, run in a scratch directory of its own. The
// directory is also its runtime and temporary directory, so the one-copy lock and server of a
// copy that runs elsewhere on this machine do not meet this one.
class HeadlessProgram : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", scratch.path());
        environment.insert("TMPDIR", scratch.path());
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(scratch.path());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(CORVANE_CONTROL_CENTRE_PROGRAM, {"--headless", "--simulate"});
        ASSERT_TRUE(program.waitForStarted(5000)) << program.errorString().toStdString();
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    // Reads what the program prints until `text` appears or `seconds` have passed.
    bool WaitForOutput(const QByteArray& text, int seconds) {
        const QDeadlineTimer deadline(seconds * 1000);
        while (!output.contains(text) && !deadline.hasExpired() &&
               program.state() == QProcess::Running) {
            program.waitForReadyRead(100);
            output += program.readAll();
        }
        return output.contains(text);
    }

    QTemporaryDir scratch;
    QProcess program;
    QByteArray output;
};

TEST_P(HeadlessProgram, stopSignalClosesTheMainWindowAndWritesTheStateFile) {
    // The readings of the virtual sensor show that the event loop runs and the link works.
    ASSERT_TRUE(WaitForOutput("System Messages: Msg 08", 10)) << output.toStdString();
    const QString stateFile = QDir(scratch.path()).filePath("Vexor.qzt");
    ASSERT_FALSE(QFile::exists(stateFile)) << "written only when the main window closes";

    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), GetParam()), 0);
    ASSERT_TRUE(program.waitForFinished(5000)) << "still running after the signal";
    output += program.readAll();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << output.toStdString();
    QFile state(stateFile);
    ASSERT_TRUE(state.open(QIODevice::ReadOnly)) << "the state file is written on closing";
    EXPECT_GT(state.size(), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, HeadlessProgram, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& signal) {
                             return std::string(signal.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

}  // namespace
