#include "resources/calibration_assistant.h"

#include "app/control_centre_dlg.h"
#include "link/command_table.h"
#include "link/shared_records.h"
#include "resources/calibration_page.h"
#include "service/calibration_assistant_dlg.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using namespace ids;

// The assistant opened from the Calibration page, on the virtual sensor in virtual time.
class CalibrationAssistant : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        Open("Calibration").UserClick(kCalAssistant);
        rig.Settle();
        assistant = rig.Window().Assistant();
        ASSERT_TRUE(assistant != nullptr && assistant->IsOpen());
    }
    fw::WindowModel& Controls() { return assistant->Controls(); }
    void StartStep(int index) {
        Controls().ListSelect(kAsstSteps, index);
        Controls().UserClick(kAsstStart);
        rig.Settle();
    }

    CCalibrationAssistantDlg* assistant = nullptr;
};

// While the reading still moves towards the fitted reference, Calibrate asks first whether to
// go on; No sends nothing. Once settled it asks the page's own question straight away.
TEST_F(CalibrationAssistant, aDriftingReadingIsNotCalibratedWithoutAQuestion) {
    ASSERT_EQ(rig.sensor.Control("reference 92.5"), "");
    StartStep(2);  // 92.5 mS/cm
    rig.Run(3 * kSecond);
    ASSERT_FALSE(assistant->CurrentStep()->Settled());
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::No});
    Controls().UserClick(kAsstCalibrate);
    rig.Settle();
    EXPECT_NE(LastBox().box.text.find("has not settled"), std::string::npos) << LastBox().box.text;
    rig.Run(5 * kSecond);
    EXPECT_TRUE(Sent(fn::kCalibrateCond, from).empty());

    ASSERT_TRUE(
        rig.clock.RunUntilTrue([&] { return assistant->CurrentStep()->Settled(); }, 60 * kSecond));
    rig.host.ScriptAnswers({Answer::Yes});
    Controls().UserClick(kAsstCalibrate);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text,
              "Calibrate 92.5 mS/cm ?\n\nUse Red/Orange Loop Resistor (60 ohms)");
    ASSERT_TRUE(
        rig.clock.RunUntilTrue([&] { return assistant->CurrentStep() == nullptr; }, 120 * kSecond));
    EXPECT_EQ(Sent(fn::kCalibrateCond, from), (std::vector<std::vector<std::uint8_t>>{{0x02}}));
    EXPECT_NE(assistant->StepLines()[2].find("PASS"), std::string::npos)
        << assistant->StepLines()[2];
    // The stamp goes out once, when the window closes.
    EXPECT_TRUE(Sent(fn::kCalibrationStamp, from).empty());
    Controls().UserClick(kAsstClose);
    rig.Run(2 * kSecond);
    EXPECT_EQ(Sent(fn::kCalibrationStamp, from).size(), 1u);
}

// Ending the program with the assistant open after a confirmed calibration: the run ends, the
// stamp goes out, and only then does the program close.
TEST_F(CalibrationAssistant, endingTheProgramStillStampsTheRunsCalibration) {
    ASSERT_EQ(rig.sensor.Control("reference 925"), "");
    StartStep(3);  // 925 mS/cm
    ASSERT_TRUE(
        rig.clock.RunUntilTrue([&] { return assistant->CurrentStep()->Settled(); }, 60 * kSecond));
    rig.host.ScriptAnswers({Answer::Yes});
    Controls().UserClick(kAsstCalibrate);
    ASSERT_TRUE(
        rig.clock.RunUntilTrue([&] { return assistant->CurrentStep() == nullptr; }, 120 * kSecond));
    const std::size_t from = WrittenCount();
    rig.Window().Sheet()->PressCancel();
    rig.Settle();
    rig.Window().PressEscape();
    rig.Settle();
    EXPECT_TRUE(rig.Window().IsOpen()) << "waits for the stamp";
    ASSERT_TRUE(rig.clock.RunUntilTrue([&] { return !rig.Window().IsOpen(); }, 10 * kSecond));
    EXPECT_EQ(Sent(fn::kCalibrationStamp, from).size(), 1u);
}

// Closing the window half-way through the outputs, with both forced to 4 mA, returns them to
// normal; nothing is stamped, since nothing was calibrated.
TEST_F(CalibrationAssistant, closingWithTheOutputsForcedReturnsThemToNormal) {
    const std::size_t from = WrittenCount();
    StartStep(5);  // current outputs 4 mA
    rig.Run(kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (std::vector<std::vector<std::uint8_t>>{{0xC4}}));
    Controls().UserType(kAsstOut1, "4.012");
    Controls().UserType(kAsstOut2, "3.990");
    Controls().UserClick(kAsstEnterReadings);
    assistant->PressEscape();
    rig.Run(2 * kSecond);
    EXPECT_FALSE(assistant->IsOpen());
    EXPECT_EQ(Sent(fn::kTestOutputs, from),
              (std::vector<std::vector<std::uint8_t>>{{0xC4}, {0x00}}));
    EXPECT_FALSE(rig.Records().Service.Output1Forced);
    EXPECT_TRUE(Sent(fn::kCalibrationStamp, from).empty());
    EXPECT_TRUE(Sent(fn::kCalibrateOutputs, from).empty());
}

}  // namespace
}  // namespace corvane
