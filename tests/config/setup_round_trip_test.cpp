// A setup made in the dialogs travels whole: to the sensor and back with a write and a read, and
// from one sensor to another through a configuration file.
#include <filesystem>

#include "config/setup_page.h"
#include "resources/setup_output_dialogs.h"
#include "resources/setup_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using namespace ids;

class SetupRoundTrip : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        page = &Open("Setup");
    }
    // Output 1 to sodium chloride from 1 to 25 %, the slope to 2.5.
    void ChangeSetupInTheWindows() {
        const auto& o1 = resources::kOutput1DialogIds;
        page->UserClick(kSetOutput1);
        rig.Settle();
        fw::WindowModel& d = rig.host.OpenDialogs().back()->Controls();
        d.UserSelect(o1.source, 3);
        d.UserType(o1.at4mA, "1");
        d.UserType(o1.at20mA, "25");
        d.UserClick(o1.apply);
        d.UserClick(kOk);
        rig.Settle();
        page->UserType(kSetSlope, "2.5");
        rig.Window().Page(PageKind::Setup)->SetModified();
        rig.Window().Sheet()->PressApply();
        rig.Settle();
    }
    void Answered(int button) {
        rig.host.ScriptAnswers({Answer::Yes});
        page->UserClick(button);
        rig.Settle();
        rig.Run(10 * kSecond);
    }
    fw::WindowModel* page = nullptr;
};

TEST_F(SetupRoundTrip, whatTheWindowsWroteIsWhatTheSensorGivesBack) {
    ChangeSetupInTheWindows();
    Answered(kSetWriteSensor);
    SensorData& s = rig.Records().Sensor;
    s.Out1 = CurrentOutput{};  // forget it here: the read must bring it back
    s.TempCompSlope = 9.0;
    Answered(kSetReadSensor);
    EXPECT_EQ(s.Out1.Source, 3);
    EXPECT_DOUBLE_EQ(s.Out1.At4mA, 1.0);
    EXPECT_DOUBLE_EQ(s.Out1.At20mA, 25.0);
    EXPECT_DOUBLE_EQ(s.TempCompSlope, 2.5);
    EXPECT_EQ(page->Text(kSetSlope), "2.50");
}

TEST_F(SetupRoundTrip, aSavedFileGivesASecondSensorTheSameSetup) {
    const auto file = std::filesystem::temp_directory_path() / "corvane-round-trip.QCF";
    ChangeSetupInTheWindows();
    Answered(kSetWriteSensor);
    rig.host.ScriptFileChoices({file.string()});
    page->UserClick(kSetSaveFile);
    rig.Settle();

    testing::AppRig second;  // a fresh program with a sensor of its own
    ASSERT_TRUE(second.Start());
    second.Run(kSecond);
    second.LogIn("B. Fitter", "K425TRM");
    second.Window().Sheet()->SetActivePage(1);
    second.Settle();
    fw::WindowModel& other = second.Window().Page(PageKind::Setup)->Controls();
    second.host.ScriptFileChoices({file.string()});
    other.UserClick(kSetOpenFile);
    second.Settle();
    second.host.ScriptAnswers({Answer::Yes});
    other.UserClick(kSetWriteSensor);
    second.Settle();
    second.Run(10 * kSecond);
    std::filesystem::remove(file);

    for (std::size_t block = 8; block <= 13; ++block) {
        const auto mine = rig.sensor.Memory().Block(block);
        const auto theirs = second.sensor.Memory().Block(block);
        EXPECT_TRUE(std::equal(mine.begin(), mine.end(), theirs.begin())) << "block " << block;
    }
    EXPECT_EQ(second.sensor.Memory().Byte(sim::SetupMemory::Offset::Out1SourceMode) & 0x0F, 1)
        << "sodium chloride";
}

}  // namespace
}  // namespace corvane
