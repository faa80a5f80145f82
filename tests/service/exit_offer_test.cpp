// Closing the program while outputs it forced are still forced.
#include "link/command_table.h"
#include "resources/calibration_page.h"
#include "resources/test_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kMillisecond;
using fw::kSecond;
using Payloads = std::vector<std::vector<std::uint8_t>>;

constexpr const char* kOffer =
    "The current outputs are still forced to test currents.\n\nReturn them to normal "
    "measurement before closing ?";

class ExitOffer : public testing::SheetRig {
  protected:
    // Forces output 2 from the Test page and closes the sheet, as a technician leaving it forced.
    void ForceOutput2AndCloseTheSheet() {
        LogIn();
        Open("Test").UserClick(ids::kTstOut2Transmit20mA);
        rig.Run(kSecond);
        Sheet()->PressCancel();
        rig.Settle();
    }
    bool Closed() { return !rig.Window().IsOpen(); }
};

TEST_F(ExitOffer, noForcedOutputClosesAtOnceWithoutAsking) {
    LogIn();
    Open("Test").UserClick(ids::kTstOut1Transmit4mA);
    Open("Test").UserClick(ids::kTstReturnToNormal);
    rig.Run(kSecond);
    Sheet()->PressCancel();
    rig.Settle();
    const std::size_t boxes = rig.host.Boxes().size();
    rig.Window().PressCloseBox();
    rig.Settle();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(rig.host.Boxes().size(), boxes);
}

TEST_F(ExitOffer, noClosesAndLeavesTheOutputForced) {
    ForceOutput2AndCloseTheSheet();
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::No});
    rig.Window().PressCloseBox();
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, kOffer);
    EXPECT_EQ(LastBox().box.caption, "Corvane Control Centre");
    EXPECT_EQ(LastBox().box.buttons, fw::Buttons::YesNo);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(rig.exited);
    EXPECT_TRUE(Sent(fn::kTestOutputs, from).empty());
}

TEST_F(ExitOffer, yesReturnsTheOutputsToNormalAndClosesOnceAnswered) {
    ForceOutput2AndCloseTheSheet();
    ASSERT_DOUBLE_EQ(rig.Records().Sensor.Out2Current, 20.0);
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::Yes});
    rig.Controls().UserClick(ids::kExit);
    rig.Settle();
    rig.host.OpenDialogs().back()->PressEscape();  // the save prompt: exit without saving
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, kOffer);
    EXPECT_FALSE(Closed()) << "the window stays until the sensor has answered";
    rig.Run(kSecond);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x00}}));
}

TEST_F(ExitOffer, yesClosesAfterTheTimeOutWhenTheSensorIsSilent) {
    ForceOutput2AndCloseTheSheet();
    rig.sensor.Faults().silent = true;
    rig.Run(5 * kSecond);
    rig.host.ScriptAnswers({Answer::Yes});
    rig.Window().PressCloseBox();
    rig.Run(2 * kSecond);
    EXPECT_FALSE(Closed()) << "the return to normal is still waited for";
    rig.Run(7 * kSecond);  // the poll outstanding and then the return each time out
    EXPECT_TRUE(Closed());
}

TEST_F(ExitOffer, outputsForcedForACalibrationAreOfferedToo) {
    LogIn();
    Open("Calibration").UserClick(ids::kCalTransmit4mA);
    rig.Run(kSecond);
    Sheet()->PressCancel();
    rig.Settle();
    const std::size_t from = WrittenCount();
    rig.host.ScriptAnswers({Answer::Yes});
    rig.Window().PressCloseBox();
    rig.Run(2 * kSecond);
    EXPECT_EQ(LastBox().box.text, kOffer);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x00}}));
}

}  // namespace
}  // namespace corvane
