// The Setup page's four dialogs on the virtual sensor: what they show, what Apply commits and
// queues, what closing without Apply leaves, and the values they refuse.
#include <set>

#include "config/setup_page.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "resources/custom_range_dialog.h"
#include "resources/setup_digital_dialog.h"
#include "resources/setup_output_dialogs.h"
#include "resources/setup_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::kSecond;
using namespace ids;

class SetupDialogs : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        Machine(rig.Records()).Engine.TransmitInhibit =
            true;  // the queue stays as the dialogs leave it
        LogIn();
        page = &Open("Setup");
    }
    SensorData& Sensor() { return rig.Records().Sensor; }
    // Opens the dialog behind `button` and returns its controls.
    fw::WindowModel& OpenDialog(int button) {
        page->UserClick(button);
        rig.Settle();
        return rig.host.OpenDialogs().back()->Controls();
    }
    fw::Dialog& Top() { return *rig.host.OpenDialogs().back(); }
    void Close(fw::WindowModel& dialog, int button) {
        dialog.UserClick(button);
        rig.Settle();
    }
    bool Pending(int command) { return rig.Records().Queue().IsPending(command); }

    fw::WindowModel* page = nullptr;
    const resources::OutputDialogIds& o1 = resources::kOutput1DialogIds;
    const resources::OutputDialogIds& o2 = resources::kOutput2DialogIds;
};

TEST_F(SetupDialogs, outputUnitsFollowTheChosenSource) {
    Sensor().TempUnit = "°F";
    auto& d = OpenDialog(kSetOutput1);
    d.UserSelect(o1.source, 2);
    EXPECT_EQ(d.Text(o1.unit4mA), "°F");
    EXPECT_EQ(d.Text(o1.unit20mA), "°F");
    for (const int sea : {9, 11}) {
        d.UserSelect(o1.source, sea);
        EXPECT_EQ(d.Text(o1.unit4mA), "p.p.t.");
    }
    d.UserSelect(o1.source, 10);
    EXPECT_EQ(d.Text(o1.unit20mA), "%");
}

TEST_F(SetupDialogs, helpOpensTheHelpAtTheDialogsOwnSection) {
    const std::pair<int, const char*> dialogs[] = {
        {kSetOutput1, "setup-current-output-1"},
        {kSetOutput2, "setup-current-output-2"},
        {kSetDigital, "setup-digital-data-output"},
        {kSetCustomRange, "setup-custom-range"},
    };
    for (const auto& [button, section] : dialogs) {
        auto& d = OpenDialog(button);
        d.UserClick(kHelp);
        ASSERT_FALSE(rig.host.HelpSections().empty());
        EXPECT_EQ(rig.host.HelpSections().back(), section);
        Close(d, fw::kIdCancel);
    }
}

TEST_F(SetupDialogs, theTdsFactorIsOpenOnlyForTotalDissolvedSolids) {
    for (const int button : {kSetOutput1, kSetOutput2}) {
        const auto& ids = button == kSetOutput1 ? o1 : o2;
        auto& d = OpenDialog(button);
        EXPECT_FALSE(d.IsEnabled(kOutTdsFactor));
        d.UserSelect(ids.source, 11);
        EXPECT_TRUE(d.IsEnabled(kOutTdsFactor));
        EXPECT_TRUE(d.IsEnabled(kOutTdsLabel));
        d.UserSelect(ids.source, 3);
        EXPECT_FALSE(d.IsEnabled(kOutTdsFactor));
        Close(d, kCancel);
    }
}

TEST_F(SetupDialogs, valuesShowWithOneDecimalAndApplyStoresAndShowsTwo) {
    Sensor().Out1.At4mA = 12.34;
    auto& d = OpenDialog(kSetOutput1);
    EXPECT_EQ(d.Text(o1.at4mA), "12.3");
    EXPECT_FALSE(d.IsEnabled(o1.apply));
    Close(d, o1.apply);  // a click on a disabled button does nothing
    EXPECT_FALSE(Pending(WriteOutput1Setup));
    d.UserType(o1.at20mA, "500");
    d.UserClick(o1.apply);
    rig.Settle();
    EXPECT_DOUBLE_EQ(Sensor().Out1.At4mA, 12.3);
    EXPECT_EQ(d.Text(o1.at4mA), "12.30");
    EXPECT_DOUBLE_EQ(Sensor().Out1.At20mA, 500.0);
    EXPECT_TRUE(Pending(WriteOutput1Setup));
    EXPECT_FALSE(d.IsEnabled(o1.apply));
    rig.Run(kSecond);
    EXPECT_EQ(d.Text(o1.at4mA), "12.30") << "the refresh leaves the number boxes alone";
}

TEST_F(SetupDialogs, closingWithoutApplyCommitsNothing) {
    auto& d = OpenDialog(kSetOutput2);
    d.UserSelect(o2.source, 5);
    d.UserType(o2.at4mA, "7");
    d.SetFocus(kOk);
    Top().PressEnter();
    rig.Settle();
    EXPECT_TRUE(rig.host.OpenDialogs().size() == 1u) << "only the main window is left";
    EXPECT_EQ(Sensor().Out2.Source, 2);
    EXPECT_DOUBLE_EQ(Sensor().Out2.At4mA, 0.0);
    EXPECT_FALSE(Pending(WriteOutput2Setup));
}

TEST_F(SetupDialogs, errorCurrentsFollowErrorSignallingAndKeepTheirChoice) {
    Sensor().Out1.ErrorSignal = 1;
    Sensor().Out1.ErrorHigh = 1;
    auto& d = OpenDialog(kSetOutput1);
    EXPECT_TRUE(d.IsEnabled(o1.error2mA));
    EXPECT_EQ(d.Check(o1.error22mA), 1);
    d.UserClick(o1.errorSignal);
    EXPECT_FALSE(d.IsEnabled(o1.error2mA));
    EXPECT_FALSE(d.IsEnabled(o1.error22mA));
    d.UserClick(o1.apply);
    rig.Settle();
    EXPECT_EQ(Sensor().Out1.ErrorSignal, 0);
    EXPECT_EQ(Sensor().Out1.ErrorHigh, 1);
}

TEST_F(SetupDialogs, theTdsFactorIsSharedByTheThreeDialogs) {
    auto& d1 = OpenDialog(kSetOutput1);
    d1.UserSelect(o1.source, 11);
    d1.UserType(kOutTdsFactor, "0.65");
    d1.UserClick(o1.apply);
    Close(d1, kCancel);
    EXPECT_DOUBLE_EQ(Sensor().TdsFactor, 0.65);
    auto& d2 = OpenDialog(kSetOutput2);
    EXPECT_EQ(d2.Text(kOutTdsFactor), "0.65");
    Close(d2, kCancel);
    auto& digital = OpenDialog(kSetDigital);
    EXPECT_EQ(digital.Text(kDigTdsFactor), "0.65");
}

TEST_F(SetupDialogs, enterMovesThroughSourceAndValuesAndStaysOnTheFactor) {
    auto& d = OpenDialog(kSetOutput1);
    d.SetFocus(o1.source);
    for (const int next : {o1.at4mA, o1.at20mA, o1.source}) {
        Top().PressEnter();
        EXPECT_EQ(d.Focus(), next);
    }
    d.SetFocus(kOutTdsFactor);
    Top().PressEnter();
    EXPECT_EQ(d.Focus(), kOutTdsFactor);
    EXPECT_EQ(rig.host.OpenDialogs().size(), 2u);
}

TEST_F(SetupDialogs, outputApplyRefusesValuesTheSensorCannotTake) {
    auto& d = OpenDialog(kSetOutput1);
    d.UserType(o1.at20mA, "70000");
    d.UserClick(o1.apply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter a number between 0 and 65535.");
    EXPECT_EQ(d.Focus(), o1.at20mA);
    EXPECT_DOUBLE_EQ(Sensor().Out1.At20mA, 1000.0);
    EXPECT_FALSE(Pending(WriteOutput1Setup));
    d.UserType(o1.at20mA, "65535.5");  // its whole part is sent: it fits
    d.UserSelect(o1.source, 11);
    d.UserType(kOutTdsFactor, "700");
    d.UserClick(o1.apply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter a number between 0 and 655.35.");
    EXPECT_FALSE(Pending(WriteOutput1Setup));
}

// A value that reads as 0.0, or two values with one whole part, would be sent without a word.
TEST_F(SetupDialogs, outputApplyRefusesANonNumberAndEqualValuesNamingTheField) {
    auto& d = OpenDialog(kSetOutput2);
    d.UserType(o2.at4mA, "abc");
    d.UserClick(o2.apply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter a number for the 4 mA value.");
    EXPECT_EQ(d.Focus(), o2.at4mA);
    EXPECT_FALSE(Pending(WriteOutput2Setup));

    d.UserType(o2.at4mA, "50.2");
    d.UserType(o2.at20mA, "50.9");
    d.UserClick(o2.apply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text,
              "The 4 mA value and the 20 mA value are equal (50): enter two different values. "
              "Nothing was applied.");
    EXPECT_EQ(d.Focus(), o2.at20mA);
    EXPECT_FALSE(Pending(WriteOutput2Setup));

    d.UserType(o2.at20mA, "80");
    d.UserClick(o2.apply);
    rig.Settle();
    EXPECT_TRUE(Pending(WriteOutput2Setup));
    EXPECT_DOUBLE_EQ(Sensor().Out2.At20mA, 80.0);
}

TEST_F(SetupDialogs, aChosenRangeNamesItsUnitAtOnceEvenWhenCancelled) {
    auto& d = OpenDialog(kSetDigital);
    d.UserSelect(kDigRange, 7);
    EXPECT_EQ(Sensor().DigitalUnit, "p.p.t.");
    EXPECT_EQ(Sensor().DigitalRangeName, "Sea Water (41.3 ppt)");
    EXPECT_EQ(Sensor().DigitalRange, 0) << "the range itself waits for Apply";
    EXPECT_FALSE(d.IsEnabled(kDigTdsFactor));
    d.UserSelect(kDigRange, 9);
    EXPECT_TRUE(d.IsEnabled(kDigTdsFactor));
    d.UserSelect(kDigRange, 0);
    EXPECT_EQ(Sensor().DigitalUnit, "");
    d.UserSelect(kDigRange, 7);
    Close(d, kCancel);
    EXPECT_EQ(Sensor().DigitalUnit, "p.p.t.");
    EXPECT_FALSE(Pending(WriteDigitalSetup));
}

TEST_F(SetupDialogs, withoutFiltersTheAveragingIsClosedAndWrittenBackUnchanged) {
    Sensor().DigitalFilter = 4;
    auto& d = OpenDialog(kSetDigital);
    EXPECT_FALSE(d.IsEnabled(kDigAveraging));
    EXPECT_FALSE(d.IsEnabled(kDigCondFilter));
    EXPECT_EQ(d.ListSelection(kDigAveraging), 4);
    d.UserSelect(kDigRange, 1);
    d.UserClick(kDigApply);
    rig.Settle();
    EXPECT_EQ(Sensor().DigitalFilter, 4);
    EXPECT_EQ(Sensor().DigitalFilterName, "20 second average");
    EXPECT_TRUE(Pending(WriteDigitalSetup));
}

class CustomRange : public SetupDialogs {
  protected:
    void SetUp() override {
        SetupDialogs::SetUp();
        Sensor().CustomRangePoints = 3;
        d = &OpenDialog(kSetCustomRange);
    }
    fw::WindowModel* d = nullptr;
};

TEST_F(CustomRange, rowsBeyondTheNumberOfPointsAreClosedAndEnterSkipsThem) {
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_EQ(d->IsEnabled(kCusConcentration[k]), k < 3) << "point " << k + 1;
        EXPECT_EQ(d->IsEnabled(kCusPointLabel[k]), k < 3) << "point " << k + 1;
    }
    d->SetFocus(kCusConcentration[1]);
    Top().PressEnter();
    EXPECT_EQ(d->Focus(), kCusConductivity[1]);
    Top().PressEnter();
    EXPECT_EQ(d->Focus(), kCusConcentration[2]);
    d->SetFocus(kCusConductivity[2]);
    Top().PressEnter();
    EXPECT_EQ(d->Focus(), kCusPointCount);
    Top().PressEnter();
    EXPECT_EQ(d->Focus(), kCusConcentration[0]);
}

TEST_F(CustomRange, applyStoresTheShownPrecisionAndSendsAllNinePoints) {
    const auto before = Sensor().CustomConc;
    d->UserType(kCusConductivity[0], "12.345");
    d->UserType(kCusConcentration[0], "2.345");
    d->UserClick(kCusApply);
    rig.Settle();
    EXPECT_DOUBLE_EQ(Sensor().CustomCond[0], 12.3);
    EXPECT_DOUBLE_EQ(Sensor().CustomConc[0], 2.35);
    EXPECT_EQ(d->Text(kCusConductivity[0]), "12.3");
    for (std::size_t k = 3; k < 9; ++k) EXPECT_DOUBLE_EQ(Sensor().CustomConc[k], before[k]);
    for (const int command :
         {WriteCustomConc, WriteCustomCond, WriteCustomText1, WriteCustomText2}) {
        EXPECT_TRUE(Pending(command)) << command;
    }
}

TEST_F(CustomRange, aNumberOfPointsOutsideOneToNineIsPromptedHeldAndRefusedByApply) {
    d->UserType(kCusPointCount, "12");
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter an integer between 1 and 9.");
    for (std::size_t k = 0; k < 9; ++k) EXPECT_TRUE(d->IsEnabled(kCusConcentration[k]));
    const std::size_t boxes = rig.host.Boxes().size();
    d->UserClick(kCusApply);
    rig.Settle();
    EXPECT_GT(rig.host.Boxes().size(), boxes);
    EXPECT_EQ(Sensor().CustomRangePoints, 3);
    EXPECT_FALSE(Pending(WriteCustomText2));
    d->UserType(kCusPointCount, "0");
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter an integer between 1 and 9.");
    d->UserType(kCusPointCount, "9");
    d->UserClick(kCusApply);
    rig.Settle();
    EXPECT_EQ(Sensor().CustomRangePoints, 9);
}

TEST_F(CustomRange, pointsTheSensorCannotTakeAreRefused) {
    d->UserType(kCusConductivity[1], "7000");
    d->UserClick(kCusApply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "Please enter a number between 0 and 6553.5.");
    EXPECT_EQ(d->Focus(), kCusConductivity[1]);
    EXPECT_FALSE(Pending(WriteCustomCond));
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// Values a damaged file brought into boxes or lists the operator cannot reach at the moment are
// named in a box instead of a prompt on a closed box, and nothing is applied.
TEST_F(SetupDialogs, unsendableValuesInClosedControlsAreNamedAndNothingIsApplied) {
    Sensor().TdsFactor = 700.0;
    auto& d = OpenDialog(kSetOutput1);
    ASSERT_FALSE(d.IsEnabled(kOutTdsFactor));
    d.UserType(o1.at4mA, "4");
    d.UserClick(o1.apply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text,
              "The TDS Factor 700 is outside what the sensor can take (between 0 and 655.35): "
              "nothing was applied.");
    EXPECT_FALSE(Pending(WriteOutput1Setup));
    Close(d, kCancel);

    Sensor().TdsFactor = 0.5;
    Sensor().DigitalFilter = 300;
    auto& digital = OpenDialog(kSetDigital);
    digital.UserSelect(kDigRange, 2);
    digital.UserClick(kDigApply);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text,
              "The digital averaging entry 300 is outside what the sensor can take: nothing was "
              "applied.");
    EXPECT_FALSE(Pending(WriteDigitalSetup));
}

}  // namespace
}  // namespace corvane
