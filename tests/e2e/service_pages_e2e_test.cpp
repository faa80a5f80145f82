// The Calibration and Test pages of the whole program, through the real serial port, against the
// vexor-sim program on a pseudo-terminal, in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/control_centre_app.h"
#include "program_on_simulator.h"
#include "resources/calibration_page.h"
#include "resources/test_page.h"

namespace corvane {
namespace {

using testing::ProgramOnLink;
using testing::WaitUntil;
using Program = ProgramOnLink;

class ServicePagesOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) {
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        }
        ASSERT_TRUE(simulator.Start("service"));
    }
    void TearDown() override {
        program.reset();
        simulator.Stop();
    }

    Program& Start() {
        program = std::make_unique<Program>(simulator.Link());
        EXPECT_TRUE(program->Start());
        EXPECT_TRUE(WaitUntil([&] { return program->Records().Engine().SensorAnswering; }, 5));
        return *program;
    }
    // Forces output 2, closes the program with `answer` to the offer, starts it again and
    // returns the current the sensor then reports on output 2.
    double Output2AfterClosingWith(fw::Answer answer) {
        Program& p = Start();
        p.LogIn();
        EXPECT_TRUE(WaitUntil([&] { return p.Sheet() != nullptr; }, 5));
        p.Page("Test")->UserClick(ids::kTstOut2Transmit20mA);
        EXPECT_TRUE(WaitUntil([&] { return p.Records().Sensor.Out2Current == 20.0; }, 5));
        p.Sheet()->PressCancel();
        p.host.ScriptAnswers({answer});
        p.Window().PressCloseBox();
        EXPECT_TRUE(WaitUntil([&] { return p.exited; }, 8));
        EXPECT_EQ(p.host.Boxes().back().box.caption, "Corvane Control Centre");
        program.reset();
        Program& again = Start();
        WaitUntil([&] { return again.Records().Sensor.Out2Current != 0.0; }, 5);
        return again.Records().Sensor.Out2Current;
    }

    testing::SimulatorProcess simulator;
    std::unique_ptr<Program> program;
};

bool Shows(fw::WindowModel& page, int list, const std::string& line) {
    const auto& items = page.ListItems(list);
    return std::find(items.begin(), items.end(), line) != items.end();
}

TEST_F(ServicePagesOnTheSimulator, conductivityCalibrationIsReportedCompletedAfterItsDelay) {
    Program& p = Start();
    p.LogIn();
    ASSERT_TRUE(WaitUntil([&] { return p.Sheet() != nullptr; }, 5));
    fw::WindowModel* page = p.Page("Calibration");
    ASSERT_NE(page, nullptr);
    p.host.ScriptAnswers({fw::Answer::Yes});
    QElapsedTimer elapsed;
    elapsed.start();
    page->UserClick(ids::kCalCond925);
    const std::string completed = "Msg 07..Function 0x61 Completed";
    ASSERT_TRUE(WaitUntil([&] { return Shows(*page, ids::kCalSystemMessages, completed); }, 9));
    EXPECT_GE(elapsed.elapsed(), 2500) << "the sensor takes its time over a calibration";
}

TEST_F(ServicePagesOnTheSimulator, forcedOutputShowsInTheReportedCurrentOnTheTestPage) {
    Program& p = Start();
    p.LogIn();
    ASSERT_TRUE(WaitUntil([&] { return p.Sheet() != nullptr; }, 5));
    fw::WindowModel* page = p.Page("Test");
    ASSERT_NE(page, nullptr);
    page->UserClick(ids::kTstOut1Transmit22mA);
    ASSERT_TRUE(WaitUntil([&] { return page->Text(ids::kTstOut1Current) == "22"; }, 5));
    page->UserClick(ids::kTstReturnToNormal);
    EXPECT_TRUE(WaitUntil([&] { return page->Text(ids::kTstOut1Current) != "22"; }, 5));
}

TEST_F(ServicePagesOnTheSimulator, closingOffersToReturnForcedOutputsToNormal) {
    EXPECT_NE(Output2AfterClosingWith(fw::Answer::Yes), 20.0)
        << "Yes returned the output to normal before the program ended";
}

TEST_F(ServicePagesOnTheSimulator, declinedOfferLeavesTheOutputForced) {
    EXPECT_EQ(Output2AfterClosingWith(fw::Answer::No), 20.0);
}

}  // namespace
}  // namespace corvane
