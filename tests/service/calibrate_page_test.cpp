#include "service/calibrate_page.h"

#include <algorithm>

#include "framework/number_text.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "resources/calibration_page.h"
#include "resources/test_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kMillisecond;
using fw::kSecond;
using Payloads = std::vector<std::vector<std::uint8_t>>;
using namespace ids;

class CalibrationPage : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        page = &Open("Calibration");
    }
    // Clicks `button`, answers its question with `answer`, and lets the engine send.
    void Click(int button, Answer answer = Answer::Yes) {
        rig.host.ScriptAnswers({answer});
        page->UserClick(button);
        rig.Settle();
    }
    void LeaveAndReturn() {
        Open("Monitor");
        rig.Run(kSecond);
        page = &Open("Calibration");
    }

    fw::WindowModel* page = nullptr;
};

TEST_F(CalibrationPage, conductivityPointsAreConfirmedAndSentLowestCodeFirst) {
    const std::size_t from = WrittenCount();
    Click(kCalCondZero);
    EXPECT_EQ(LastBox().box.text, "Calibrate 0 mS/cm ?\n\nRemove Loop Resistors (Sensor in Air)");
    EXPECT_EQ(LastBox().box.caption, "Sensor Calibration Request !");
    EXPECT_EQ(LastBox().box.icon, fw::Icon::Question);
    EXPECT_EQ(LastBox().box.buttons, fw::Buttons::YesNo);
    EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Question);
    Click(kCalCond925);
    Click(kCalCond92_5);
    Click(kCalCond9_25);
    rig.Run(20 * kSecond);  // each point takes the sensor seconds
    // Codes 1, 2, 3 and 4 carry the points 1, 2, 3 and 0.
    EXPECT_EQ(Sent(fn::kCalibrateCond, from), (Payloads{{0x01}, {0x02}, {0x03}, {0x00}}));
}

// 92 mS/cm on the sensor while the 0 point is calibrated: the wrong resistor, or one still
// fitted. Asked first with both figures, default No; No sends nothing.
TEST_F(CalibrationPage, aPointFarFromItsReadingIsAskedAboutFirstWithNoAsDefault) {
    rig.sensor.FitReference(92.0);
    rig.Run(5 * kSecond);
    ASSERT_GT(rig.Records().Sensor.CondRaw, 80.0);
    const std::size_t from = WrittenCount();
    Click(kCalCondZero, Answer::No);
    const auto& boxes = rig.host.Boxes();
    ASSERT_GE(boxes.size(), 2u);
    const auto& far = boxes[boxes.size() - 2].box;
    EXPECT_EQ(far.text.rfind("The Sensor Reads 8", 0), 0u) << far.text;
    EXPECT_NE(far.text.find(" mS/cm, Far From The Calibration Point Of 0 mS/cm !"),
              std::string::npos);
    EXPECT_TRUE(far.defaultNo);
    EXPECT_EQ(LastBox().box.text, "Calibrate 0 mS/cm Cancelled !");
    rig.Run(5 * kSecond);
    EXPECT_TRUE(Sent(fn::kCalibrateCond, from).empty());

    // Near its reference the point goes straight to the page's question, also default No.
    rig.sensor.FitReference(92.5);
    rig.Run(5 * kSecond);
    Click(kCalCond92_5);
    EXPECT_EQ(LastBox().box.text.rfind("Calibrate 92.5 mS/cm ?", 0), 0u) << LastBox().box.text;
    EXPECT_TRUE(LastBox().box.defaultNo);
    rig.Run(20 * kSecond);
    EXPECT_EQ(Sent(fn::kCalibrateCond, from), (Payloads{{0x02}}));
}

TEST_F(CalibrationPage, answeringNoShowsTheCancellationAndQueuesNothing) {
    const std::size_t from = WrittenCount();
    const std::size_t beeps = rig.host.Beeps().size();
    Click(kCalCalibrateTemperature, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Reset Sensor Calibrations Cancelled !");
    EXPECT_EQ(LastBox().box.icon, fw::Icon::Exclamation);
    EXPECT_EQ(LastBox().box.buttons, fw::Buttons::Ok);
    EXPECT_EQ(rig.host.Beeps().size(), beeps + 1) << "only the question beeps";
    Click(kCalCond92_5, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Calibrate 92.5 mS/cm Cancelled !");
    Click(kCalResetCalibration, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Reset Sensor Calibrations Cancelled !");
    rig.Run(2 * kSecond);
    EXPECT_TRUE(Sent(fn::kCalibrateTemp, from).empty());
    EXPECT_TRUE(Sent(fn::kCalibrateCond, from).empty());
    EXPECT_TRUE(Sent(fn::kResetCalibration, from).empty());
    EXPECT_EQ(rig.Records().CalibrationDone(), CalibrationStamp::None);
}

TEST_F(CalibrationPage, trueTemperatureIsSentAsTypedLastInTheUnitShown) {
    Open("Monitor");
    rig.Window().Sheet()->PressCancel();
    rig.Settle();
    rig.Records().Sensor.TempFahrenheit = 1;
    LogIn();
    page = &Open("Calibration");
    EXPECT_EQ(page->Text(kCalTrueTemperatureUnit), "°F");
    EXPECT_EQ(page->Text(kCalReturnTemperatureUnit), "°F");

    const std::size_t from = WrittenCount();
    page->UserType(kCalTrueTemperature, "-5.5");
    rig.host.ScriptAnswers({Answer::Yes});
    page->UserClick(kCalCalibrateTemperature);
    // Typed after confirming but before the engine builds the request: this value goes out.
    page->UserType(kCalTrueTemperature, "77.259 deg");
    EXPECT_EQ(page->Text(kCalTrueTemperature), "77.259 deg") << "the entry keeps what is typed";
    rig.Run(kSecond);
    EXPECT_EQ(Sent(fn::kCalibrateTemp, from), (Payloads{{0x1E, 0x2D}}));  // 7725, no conversion
}

TEST_F(CalibrationPage, entryTextsAreFormattedOnEntryAndTheirValuesKeptWhenLeft) {
    EXPECT_EQ(page->Text(kCalTrueTemperature), "0.0");
    EXPECT_EQ(page->Text(kCalOut1Reading), "0.00");
    EXPECT_EQ(page->Text(kCalTrueTemperatureUnit), "°C");
    EXPECT_FALSE(page->IsEnabled(kCalTestOutputs));
    page->UserType(kCalOut1Reading, "4.1");
    page->UserType(kCalOut2Reading, "no number");
    EXPECT_DOUBLE_EQ(rig.Records().Service.CalOut1Reading, 4.1);
    EXPECT_DOUBLE_EQ(rig.Records().Service.CalOut2Reading, 0.0);
    rig.Run(kSecond);
    EXPECT_EQ(page->Text(kCalOut2Reading), "no number") << "the refresh leaves typing alone";
    EXPECT_EQ(page->Text(kCalReturnTemperature),
              fw::ShortestText(fw::AsDisplayed("%.1f", rig.Records().Sensor.Temperature)));

    Sheet()->PressCancel();
    rig.Settle();
    LogIn();
    page = &Open("Calibration");
    EXPECT_EQ(page->Text(kCalOut1Reading), "4.10");
}

TEST_F(CalibrationPage, outputCalibrationSendsTheDvmReadingsInMicroampsForTheLastPoint) {
    const std::size_t from = WrittenCount();
    const std::size_t boxes = rig.host.Boxes().size();
    page->UserClick(kCalTransmit4mA);
    page->UserClick(kCalTransmit20mA);
    rig.Settle();
    EXPECT_EQ(rig.host.Boxes().size(), boxes) << "forcing the outputs asks nothing";
    EXPECT_EQ(rig.Records().CalibrationDone(), CalibrationStamp::None);
    rig.Run(kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0xD4}})) << "one request, the second point";

    page->UserType(kCalOut1Reading, "4.0005");
    page->UserType(kCalOut2Reading, "19.987");
    Click(kCalCalibrateOutputs);
    EXPECT_EQ(LastBox().box.text,
              "To Calibrate the 20 mA,\n\nEnter DVM values in Control Centre !");
    rig.Run(kSecond);
    // 4.0005 mA truncates to 4000 µA; 19.987 mA is 19987 µA.
    EXPECT_EQ(Sent(fn::kCalibrateOutputs, from), (Payloads{{0x0F, 0xA0, 0x4E, 0x13}}));
    EXPECT_EQ(rig.Records().Service.CalOutputPoint, 0);
    EXPECT_FALSE(rig.Records().Service.CalOutputsEntered);
    EXPECT_EQ(rig.Records().CalibrationDone(), CalibrationStamp::ToStamp);

    page->UserClick(kCalTransmit4mA);
    Click(kCalCalibrateOutputs, Answer::No);
    EXPECT_EQ(LastBox().box.text, "Calibrate 4 mA Cancelled !");
}

TEST_F(CalibrationPage, outputCalibrationWithoutAForcedPointIsRefused) {
    const auto refusedOnce = [&] {
        const std::size_t from = WrittenCount();
        page->UserClick(kCalCalibrateOutputs);
        rig.Settle();
        EXPECT_EQ(LastBox().box.text,
                  "To calibrate the Current Output,\n\nSelect 4 or 20 mA then retry");
        EXPECT_EQ(LastBox().box.icon, fw::Icon::Stop);
        EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Error);
        rig.Run(kSecond);
        EXPECT_TRUE(Sent(fn::kCalibrateOutputs, from).empty());
    };
    refusedOnce();
    page->UserClick(kCalTransmit4mA);
    page->UserClick(kCalNormalOutputs);
    refusedOnce();
    // Forcing one output from the Test page leaves no point forced on both.
    page->UserClick(kCalTransmit20mA);
    Open("Test").UserClick(kTstOut1Transmit20mA);
    page = &Open("Calibration");
    refusedOnce();
    EXPECT_EQ(rig.Records().CalibrationDone(), CalibrationStamp::None);
}

TEST_F(CalibrationPage, normalOutputsWithdrawsForcedOutputsNotYetSent) {
    rig.sensor.Faults().silent = true;  // keep the engine busy with an unanswered poll
    rig.Run(kSecond);
    const std::size_t from = WrittenCount();
    SharedRecords& r = rig.Records();
    r.Service.TestCode1 = 0x4C;
    Machine(r).Queue.Queue(TestOutput1);
    Machine(r).Queue.Queue(TestOutput2);
    page->UserClick(kCalNormalOutputs);
    EXPECT_FALSE(r.Queue().IsPending(TestOutput1));
    EXPECT_FALSE(r.Queue().IsPending(TestOutput2));
    EXPECT_EQ(r.Service.TestCode1, 0);
    rig.sensor.Faults().silent = false;
    rig.Run(6 * kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x00}}));
}

TEST_F(CalibrationPage, leavingAfterCalibrationsQueuesOneStampWithDateAndOperator) {
    std::size_t from = WrittenCount();
    page->UserClick(kCalTransmit4mA);
    LeaveAndReturn();
    EXPECT_TRUE(Sent(fn::kCalibrationStamp, from).empty()) << "forcing is no calibration";

    Click(kCalCondZero);
    Click(kCalResetCalibration);
    LeaveAndReturn();
    rig.Run(5 * kSecond);
    const Payloads stamps = Sent(fn::kCalibrationStamp, from);
    ASSERT_EQ(stamps.size(), 1u);
    const std::vector<std::uint8_t> date(stamps[0].begin(), stamps[0].begin() + 4);
    EXPECT_EQ(date, (std::vector<std::uint8_t>{0x07, 0x12, 0x20, 0x26}));
    EXPECT_EQ(std::string(stamps[0].begin() + 4, stamps[0].begin() + 13), "A. FITTER");
    EXPECT_EQ(rig.Records().Sensor.CalibrationDate.substr(0, 22), " Mon, 07 Dec 2026 at 0");
    EXPECT_EQ(rig.Records().CalibrationDone(), CalibrationStamp::None);

    from = WrittenCount();
    LeaveAndReturn();
    Sheet()->PressOK();
    rig.Run(3 * kSecond);
    EXPECT_TRUE(Sent(fn::kCalibrationStamp, from).empty()) << "nothing new to stamp";
}

TEST_F(CalibrationPage, okAndCancelOfTheSheetStampOnce) {
    std::size_t from = WrittenCount();
    Click(kCalCond9_25);
    page->UserType(kCalOut1Reading, "4.016");
    Sheet()->PressOK();  // leaves the page, then applies it: one stamp
    EXPECT_EQ(page->Text(kCalOut1Reading), "4.02") << "applied entries are rewritten formatted";
    rig.Run(8 * kSecond);
    EXPECT_EQ(Sent(fn::kCalibrationStamp, from).size(), 1u);

    LogIn();
    page = &Open("Calibration");
    from = WrittenCount();
    Click(kCalCalibrateTemperature);
    Sheet()->PressCancel();  // the sensor has calibrated: the stamp goes all the same
    rig.Run(3 * kSecond);
    EXPECT_EQ(Sent(fn::kCalibrationStamp, from).size(), 1u);
}

TEST_F(CalibrationPage, cancelMovesTheFocusRoundTheThreeEntries) {
    fw::PropertyPage& calibration = Sheet()->ActivePage();
    page->SetFocus(kCalTrueTemperature);
    calibration.PressEscape();
    EXPECT_EQ(page->Focus(), kCalOut1Reading);
    calibration.PressEscape();
    EXPECT_EQ(page->Focus(), kCalOut2Reading);
    calibration.PressEscape();
    EXPECT_EQ(page->Focus(), kCalTrueTemperature);
    page->SetFocus(kCalCondZero);
    calibration.PressEscape();
    EXPECT_EQ(page->Focus(), kCalCondZero);
    EXPECT_TRUE(calibration.IsOpen());
}

TEST_F(CalibrationPage, conductivityCalibrationIsWaitedForFiftyTicks) {
    rig.sensor.Faults().silent = true;
    rig.Run(5 * kSecond);  // the link has given up on the poll and sends afresh
    Click(kCalCond92_5);
    // Tick by tick until the request is on the line.
    while (Sent(fn::kCalibrateCond).empty()) rig.Run(kMillisecond);
    const std::size_t sent = WrittenCount();
    rig.Run(50 * CommandEngine::kTickMs * kMillisecond - 2 * kMillisecond);
    EXPECT_EQ(WrittenCount(), sent) << "nothing else is sent while the sensor calibrates";
    for (const auto& line : page->ListItems(kCalSystemMessages)) {
        EXPECT_NE(line.substr(0, 6), "Msg 0") << line;  // no overdue or reset lines
    }
    rig.Run(CommandEngine::kTickMs * kMillisecond + 2 * kMillisecond);
    EXPECT_EQ(WrittenCount(), sent + 1) << "after 50 ticks the link is reset and polls again";
}

TEST_F(CalibrationPage, completedCalibrationShowsInSystemMessages) {
    Click(kCalCond925);
    rig.Run(5 * kSecond);  // the sensor takes three seconds
    const auto lines = page->ListItems(kCalSystemMessages);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Msg 07..Function 0x61 Completed"),
              lines.end());
}

}  // namespace
}  // namespace corvane
