// A software upgrade from the Software page of the whole program, through the real serial port,
// against the vexor-sim program on a pseudo-terminal, in real time, with the sensor rejecting
// blocks and losing replies to blocks. vexor-sim prints the digest of its flash when the
// download finishes; it must be the digest of the image the program was given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/control_centre_app.h"
#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "hex_text.h"
#include "link/serial_port.h"
#include "resources/main_window.h"
#include "resources/software_page.h"
#include "sim/virtual_sensor.h"

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

// The program with COM1 on the simulator's link, on a real-time headless host, logged in at the
// factory level so that its sheet holds the Software page.
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
    fw::WindowModel* Page(std::string_view caption) {
        fw::PropertySheet* sheet = Window().Sheet();
        if (sheet == nullptr || !sheet->IsOpen()) return nullptr;
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
};

class SoftwareDownloadOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PseudoTerminalsAvailable()) GTEST_SKIP() << "this system gives no pseudo-terminals";
        link = std::filesystem::temp_directory_path() /
               ("vexor-download-e2e-" + std::to_string(::getpid()));
        // The first three block attempts are refused and a tenth of the block replies are lost
        // after the block was written, so blocks are sent again and again.
        simulator.start(VEXOR_SIM_PROGRAM,
                        {"--link", QString::fromStdString(link.string()), "--reject-blocks", "3",
                         "--drop-blocks", "0.1", "--seed", "13"});
        ASSERT_TRUE(simulator.waitForStarted(5000));
        ASSERT_TRUE(WaitUntil([&] { return std::filesystem::exists(link); }, 5));
    }
    void TearDown() override {
        program.reset();
        simulator.terminate();
        simulator.waitForFinished(5000);
    }

    // The "flash: ..." lines the simulator has printed so far.
    std::vector<std::string> FlashLines() {
        output += simulator.readAllStandardOutput().toStdString();
        std::vector<std::string> lines;
        for (std::size_t at = output.find("flash: "); at != std::string::npos;
             at = output.find("flash: ", at + 1)) {
            const std::size_t end = output.find('\n', at);
            if (end == std::string::npos) break;
            lines.push_back(output.substr(at, end - at));
        }
        return lines;
    }

    std::filesystem::path link;
    QProcess simulator;
    std::string output;
    std::unique_ptr<Program> program;
};

TEST_F(SoftwareDownloadOnTheSimulator, upgradeWithRejectedAndLostBlocksLeavesTheImageInFlash) {
    // 3 KiB in 128 records of 24 bytes, written to a scratch folder as a toolchain writes it.
    const std::vector<ImageBlock> image = testing::PatternImage(128, 24);
    testing::ScratchFolder folder;
    const std::string path = folder.Write("upgrade.Hex", testing::HexText(image));

    program = std::make_unique<Program>(link);
    ASSERT_TRUE(program->app->InitInstance([] {}));
    Program& p = *program;
    ASSERT_TRUE(WaitUntil([&] { return p.Records().Engine.SensorAnswering; }, 5));
    p.LogIn();
    ASSERT_TRUE(WaitUntil([&] { return p.Page("Software") != nullptr; }, 5));
    fw::WindowModel& page = *p.Page("Software");

    p.host.ScriptFileChoices({path});
    page.UserClick(ids::kSwBrowse);
    ASSERT_TRUE(WaitUntil([&] { return p.Records().Download.ImageStatus == 1; }, 5))
        << page.Text(ids::kSwPath);
    p.host.ScriptAnswers({fw::Answer::Yes});
    page.UserClick(ids::kSwUpgrade);
    ASSERT_TRUE(
        WaitUntil([&] { return p.Records().Download.DownloadState != DownloadState::Idle; }, 5));

    int progress = 0;
    const bool finished = WaitUntil(
        [&] {
            progress = std::max(progress, page.Progress(ids::kSwProgress));
            return !FlashLines().empty();
        },
        45);
    ASSERT_TRUE(finished) << "no finished download after 45 s; progress reached " << progress
                          << "%, simulator said:\n"
                          << output;
    EXPECT_EQ(FlashLines(), std::vector<std::string>{
                                sim::FlashDigestLine(0, sim::DigestOf(testing::AsFlash(image)))});

    // The program goes on to stamp the upgrade and shows the issue the new software reports.
    EXPECT_TRUE(WaitUntil(
        [&] {
            const auto status = page.ListItems(ids::kSwStatusList);
            return p.Records().Download.DownloadState == DownloadState::Idle &&
                   std::find(status.begin(), status.end(), "2.0200") != status.end();
        },
        10));
    EXPECT_GT(progress, 50) << "the page followed the blocks as they went";
}

}  // namespace
}  // namespace corvane
