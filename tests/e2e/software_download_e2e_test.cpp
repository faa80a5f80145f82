// A software upgrade from the Software page of the whole program, through the real serial port,
// against the vexor-sim program on a pseudo-terminal, in real time, with the sensor rejecting
// blocks and losing replies to blocks. vexor-sim prints the digest of its flash when the
// download finishes; it must be the digest of the image the program was given.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/control_centre_app.h"
#include "hex_text.h"
#include "program_on_simulator.h"
#include "resources/software_page.h"
#include "sim/virtual_sensor.h"

namespace corvane {
namespace {

using testing::WaitUntil;
using Program = testing::ProgramOnLink;

class SoftwareDownloadOnTheSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::PseudoTerminalsAvailable()) {
            GTEST_SKIP() << "this system gives no pseudo-terminals";
        }
        // The first three block attempts are refused and a tenth of the block replies are lost
        // after the block was written, so blocks are sent again and again.
        ASSERT_TRUE(simulator.Start(
            "download", {"--reject-blocks", "3", "--drop-blocks", "0.1", "--seed", "13"}));
    }
    void TearDown() override {
        program.reset();
        simulator.Stop();
    }

    // The "flash: ..." lines the simulator has printed so far.
    std::vector<std::string> FlashLines() {
        output += simulator.Process().readAllStandardOutput().toStdString();
        std::vector<std::string> lines;
        for (std::size_t at = output.find("flash: "); at != std::string::npos;
             at = output.find("flash: ", at + 1)) {
            const std::size_t end = output.find('\n', at);
            if (end == std::string::npos) break;
            lines.push_back(output.substr(at, end - at));
        }
        return lines;
    }

    testing::SimulatorProcess simulator;
    std::string output;
    std::unique_ptr<Program> program;
};

TEST_F(SoftwareDownloadOnTheSimulator, upgradeWithRejectedAndLostBlocksLeavesTheImageInFlash) {
    // 3 KiB in 128 records of 24 bytes, written to a scratch folder as a toolchain writes it.
    const std::vector<ImageBlock> image = testing::PatternImage(128, 24);
    testing::ScratchFolder folder;
    const std::string path = folder.Write("upgrade.Hex", testing::HexText(image));

    program = std::make_unique<Program>(simulator.Link());
    ASSERT_TRUE(program->Start());
    Program& p = *program;
    ASSERT_TRUE(WaitUntil([&] { return p.Records().Engine().SensorAnswering; }, 5));
    p.LogIn();
    ASSERT_TRUE(WaitUntil([&] { return p.Page("Software") != nullptr; }, 5));
    fw::WindowModel& page = *p.Page("Software");

    p.host.ScriptFileChoices({path});
    page.UserClick(ids::kSwBrowse);
    ASSERT_TRUE(WaitUntil([&] { return p.Records().Download().ImageStatus == 1; }, 5))
        << page.Text(ids::kSwPath);
    p.host.ScriptAnswers({fw::Answer::Yes});
    page.UserClick(ids::kSwUpgrade);
    ASSERT_TRUE(
        WaitUntil([&] { return p.Records().Download().DownloadState != DownloadState::Idle; }, 5));

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
            return p.Records().Download().DownloadState == DownloadState::Idle &&
                   std::find(status.begin(), status.end(), "2.0200") != status.end();
        },
        10));
    EXPECT_GT(progress, 50) << "the page followed the blocks as they went";
}

}  // namespace
}  // namespace corvane
