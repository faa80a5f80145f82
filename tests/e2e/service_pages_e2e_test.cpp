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
#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/serial_port.h"
#include "resources/calibration_page.h"
#include "resources/main_window.h"
#include "resources/test_page.h"

namespace corvane {
namespace {

bool PseudoTerminalsAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool WaitUntil(const std::function<bool()>& done, int seconds) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(20);
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// The program with COM1 on the simulator's link, on a real-time headless host.
struct Program {
    explicit Program(const std::filesystem::path& link) {
        ports.Set(1, link.string());
        app = std::make_unique<CControlCentreApp>(
            host, [this] { return std::make_unique<CSerialPort>(host, ports); }, nullptr);
    }
    CControlCentreDlg& Window() { return *app->MainWindow(); }
    SharedRecords& Records() { return Window().Records(); }

    void LogIn() {
        auto& controls = Window().Controls();
        controls.UserType(ids::kOperatorName, "E2E Fitter");
        controls.UserType(ids::kPassword, "K425TRM");
        controls.SetFocus(ids::kPassword);
        Window().PressEnter();
    }
    fw::PropertySheet* Sheet() {
        auto* sheet = Window().Sheet();
        return sheet != nullptr && sheet->IsOpen() ? sheet : nullptr;
    }
    fw::WindowModel* Page(std::string_view caption) {
        fw::PropertySheet* sheet = Sheet();
        if (sheet == nullptr) return nullptr;
        for (int i = 0; i < sheet->PageCount(); ++i) {
            if (sheet->Page(i).Caption() == caption && sheet->SetActivePage(i)) {
                return &sheet->Page(i).Controls();
            }
        }
        return nullptr;
    }

    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    fw::RealTimePump pump{clock};
    PortMap ports;
    std::unique_ptr<CControlCentreApp> app;
    bool exited = false;
};

class ServicePagesOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable()) GTEST_SKIP() << "this system gives no pseudo-terminals";
        link = std::filesystem::temp_directory_path() /
               ("vexor-service-e2e-" + std::to_string(::getpid()));
        simulator.start(VEXOR_SIM_PROGRAM, {"--link", QString::fromStdString(link.string())});
        ASSERT_TRUE(simulator.waitForStarted(5000));
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(link); }, 5));
    }
    void TearDown() override {
        program.reset();
        simulator.terminate();
        simulator.waitForFinished(5000);
    }

    Program& Start() {
        program = std::make_unique<Program>(link);
        EXPECT_TRUE(program->app->InitInstance([this] { program->exited = true; }));
        EXPECT_TRUE(WaitUntil([&] { return program->Records().Engine.SensorAnswering; }, 5));
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

    std::filesystem::path link;
    QProcess simulator;
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
