// SIGTERM ends the desktop program whatever window is open, writing its state file: the program
// itself, in real windows, brought into each state by keys as a technician would.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

#include "real_window_rig.h"

namespace corvane::testing {
namespace {

// The title of the window the X server has given the keyboard, whichever program it belongs to.
std::string XActiveTitle() {
    QProcess xdotool;
    xdotool.start("xdotool", {"getactivewindow", "getwindowname"});
    if (!xdotool.waitForFinished(5000)) return "";
    return xdotool.readAllStandardOutput().trimmed().toStdString();
}

bool WaitForXActive(const std::string& title, int limitMs = 10000) {
    return WaitFor([&title] { return XActiveTitle() == title; }, limitMs);
}

struct Reached {
    const char* state;
    std::function<void()> steps;  // from the main window, just opened
    const char* activeTitle;      // the window active once there
};

class StopSignal : public ::testing::TestWithParam<Reached> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", scratch.path());
        environment.insert("TMPDIR", scratch.path());
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(scratch.path());
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(CORVANE_CONTROL_CENTRE_PROGRAM, {"--simulate"});
        ASSERT_TRUE(program.waitForStarted(5000)) << program.errorString().toStdString();
        ASSERT_TRUE(WaitForXActive("Corvane Control Centre", 20000)) << XActiveTitle();
        Pump(1500);  // the first readings
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(5000);
        }
    }

    QTemporaryDir scratch;
    QProcess program;
};

void LogIn() {
    Key("ctrl+a");
    TypeText("A. Fitter");
    Key("Tab");
    TypeText("K425TRM");
    Key("Return");
    ASSERT_TRUE(WaitForXActive("Valid Password Entered")) << XActiveTitle();
    Key("Return");
    ASSERT_TRUE(WaitForXActive("Vexor Sensor Properties")) << XActiveTitle();
    Key("ctrl+Tab");  // the Setup page
}

TEST_P(StopSignal, endsTheProgramAndWritesTheStateFile) {
    GetParam().steps();
    ASSERT_TRUE(WaitForXActive(GetParam().activeTitle)) << XActiveTitle();

    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    ASSERT_TRUE(program.waitForFinished(10000))
        << "still running after SIGTERM in " << GetParam().state;
    const std::string output = program.readAll().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(program.exitCode(), 0) << output;
    EXPECT_TRUE(QFile::exists(QDir(scratch.path()).filePath("Vexor.qzt")))
        << "the state file is written on the way out";
}

INSTANTIATE_TEST_SUITE_P(
    InEveryWindow, StopSignal,
    ::testing::Values(Reached{"mainWindow", [] {}, "Corvane Control Centre"},
                      Reached{"aboutBox", [] { Key("alt+v"); }, "About Corvane Control Centre"},
                      Reached{"sheet", [] { LogIn(); }, "Vexor Sensor Properties"},
                      Reached{"setupDialog",
                              [] {
                                  LogIn();
                                  Key("alt+e");
                              },
                              "Setup Current Output 1"},
                      Reached{"questionBox",
                              [] {
                                  LogIn();
                                  Key("alt+w");
                              },
                              "Sensor Setup Erase/Write Request !"},
                      Reached{"fileDialog",
                              [] {
                                  LogIn();
                                  Key("alt+o");
                              },
                              "Open"},
                      Reached{"exitPrompt", [] { Key("alt+e"); }, "Save Current Configuration ?"}),
    [](const ::testing::TestParamInfo<Reached>& reached) {
        return std::string(reached.param.state);
    });

}  // namespace
}  // namespace corvane::testing
