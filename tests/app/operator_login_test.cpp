#include "app/operator_login.h"

#include <gtest/gtest.h>

#include "app/page_table.h"
#include "app_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using fw::kSecond;
using testing::AppRig;

class OperatorLogin : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.Start()); }
    const fw::HeadlessHost::ShownBox& LastBox() { return rig.host.Boxes().back(); }
    AppRig rig;
};

TEST_F(OperatorLogin, startsWithThePlaceholderNameAndLevelZero) {
    EXPECT_EQ(rig.Controls().Text(ids::kOperatorName), " ENTER YOUR NAME");
    EXPECT_EQ(rig.Controls().Text(ids::kPassword), "");
    EXPECT_EQ(rig.Records().AccessLevel, 0);
    EXPECT_EQ(rig.Records().OperatorName, " ENTER YOUR NAME");
}

TEST_F(OperatorLogin, placeholderNameIsRefusedButTheSameWordsWithoutBlankAreAccepted) {
    rig.Controls().SetFocus(ids::kOperatorName);
    rig.Window().PressEnter();
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "You Must Enter a Username");
    EXPECT_EQ(LastBox().box.caption, "Error In Username");
    EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Exclamation);
    EXPECT_EQ(rig.Controls().Focus(), ids::kOperatorName);

    rig.Controls().UserType(ids::kOperatorName, "ENTER YOUR NAME");
    rig.Controls().SetFocus(ids::kOperatorName);
    rig.Window().PressEnter();
    rig.Settle();
    EXPECT_EQ(rig.Records().AccessLevel, 1);
    EXPECT_EQ(rig.host.Boxes().size(), 1u);
    EXPECT_TRUE(rig.SheetCaptions().empty());
}

// Typed into the start text instead of over it, or blank: no operator name for the record and
// the sensor's stamps.
TEST_F(OperatorLogin, aNameStillHoldingTheStartTextOrOnlyBlanksIsRefused) {
    for (const char* typed : {"jo tech ENTER YOUR NAME", "   "}) {
        SCOPED_TRACE(typed);
        rig.Controls().UserType(ids::kOperatorName, typed);
        rig.Controls().SetFocus(ids::kOperatorName);
        rig.Window().PressEnter();
        rig.Settle();
        EXPECT_EQ(LastBox().box.text, "You Must Enter a Username");
        EXPECT_EQ(rig.Records().AccessLevel, 0);
    }
}

TEST_F(OperatorLogin, enterInTheNameFieldMovesTheFocusToThePassword) {
    rig.Controls().UserType(ids::kOperatorName, "jo bloggs");
    EXPECT_EQ(rig.Records().OperatorName, "JO BLOGGS");
    rig.Controls().SetFocus(ids::kOperatorName);
    rig.Window().PressEnter();
    rig.Settle();
    EXPECT_EQ(rig.Controls().Focus(), ids::kPassword);
    EXPECT_TRUE(rig.host.Boxes().empty());
    EXPECT_TRUE(rig.host.OpenSheets().empty());
}

TEST_F(OperatorLogin, passwordCheckWithoutNameHasItsOwnTitle) {
    rig.Controls().UserType(ids::kOperatorName, "");
    rig.Controls().UserClick(ids::kOk);
    rig.Settle();
    EXPECT_EQ(LastBox().box.text, "You Must Enter a Username");
    EXPECT_EQ(LastBox().box.caption, "Error In Username !");
    EXPECT_EQ(rig.Records().AccessLevel, 0);
    EXPECT_TRUE(rig.host.OpenSheets().empty());
}

TEST_F(OperatorLogin, builtInOneDigitPasswordsGiveLevelsThreeFourFive) {
    const std::vector<std::pair<std::string, int>> cases = {{"1", 3}, {"2", 4}, {"3", 5}};
    for (const auto& [password, level] : cases) {
        rig.LogIn("Ann", password);
        EXPECT_EQ(rig.Records().AccessLevel, level) << password;
        EXPECT_EQ(LastBox().box.caption, "Valid Password Entered");
        EXPECT_EQ(LastBox().box.icon, fw::Icon::Information);
        EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Default);
        rig.Window().Sheet()->PressCancel();
    }
}

TEST_F(OperatorLogin, fixedPasswordsAreUpperCasedAsTypedAndGrantTheirLevels) {
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"k425trm", 6, "Factory Access Granted"},
        {"pzn604q", 5, "Level 3 Access Granted"},
        {"wdl27f", 4, "Level 2 Access Granted"},
        {"htq81c", 3, "Level 1 Access Granted"}};
    for (const auto& [typed, level, text] : cases) {
        rig.LogIn("Ann", typed);
        EXPECT_EQ(rig.Records().AccessLevel, level) << typed;
        EXPECT_EQ(LastBox().box.text, text);
        rig.Window().Sheet()->PressCancel();
    }
}

TEST_F(OperatorLogin, userPasswordEqualToAFixedOneGivesTheFixedLevel) {
    rig.Records().ConfigurePassword = "K425TRM";
    rig.Records().CalibratePassword = "SAME";
    rig.Records().InstallPassword = "SAME";
    rig.LogIn("Ann", "K425TRM");
    EXPECT_EQ(rig.Records().AccessLevel, 6);
    rig.Window().Sheet()->PressCancel();
    rig.LogIn("Ann", "SAME");
    EXPECT_EQ(rig.Records().AccessLevel, 5) << "install is tried before calibrate";
}

TEST_F(OperatorLogin, emptyPasswordWarnsThenOpensTheReducedSheet) {
    rig.LogIn("Ann", "");
    EXPECT_EQ(LastBox().box.text, "Warning. No Password Entered");
    EXPECT_EQ(LastBox().box.caption, "Error In Password");
    EXPECT_EQ(rig.Records().AccessLevel, 2);
    ASSERT_EQ(rig.host.OpenSheets().size(), 1u);
    EXPECT_EQ(rig.host.OpenSheets()[0]->Caption(), "Vexor Sensor Properties");
    EXPECT_EQ(rig.SheetCaptions(), (std::vector<std::string>{"Monitor", "Channels"}));
    EXPECT_EQ(rig.Controls().Focus(), ids::kPassword);
}

TEST_F(OperatorLogin, wrongPasswordSaysSoAndLevelCanFall) {
    rig.LogIn("Ann", "K425TRM");
    rig.Window().Sheet()->PressCancel();
    rig.LogIn("Ann", "NOPE");
    EXPECT_EQ(LastBox().box.text, "Invalid Password Entered");
    EXPECT_EQ(rig.Records().AccessLevel, 2);
}

TEST_F(OperatorLogin, sheetOpensOnlyAfterTheBoxIsAnswered) {
    rig.host.SetAnswerDelay(3 * kSecond);
    rig.Controls().UserType(ids::kOperatorName, "Ann");
    rig.Controls().UserType(ids::kPassword, "1");
    rig.Controls().UserClick(ids::kOk);
    rig.Run(kSecond);
    EXPECT_TRUE(rig.host.OpenSheets().empty());
    rig.Run(3 * kSecond);
    EXPECT_EQ(rig.host.OpenSheets().size(), 1u);
}

TEST_F(OperatorLogin, levelSurvivesTheSheetAndOkOnAnotherControlReopensIt) {
    rig.LogIn("Ann", "3");
    rig.Window().Sheet()->PressOK();
    rig.Settle();
    EXPECT_TRUE(rig.host.OpenSheets().empty());
    rig.Controls().SetFocus(ids::kVersion);
    rig.Window().PressEnter();
    rig.Settle();
    EXPECT_EQ(rig.host.OpenSheets().size(), 1u);
    EXPECT_EQ(rig.Records().AccessLevel, 5);
}

TEST(PagesByLevel, everyLevelHasItsPagesInTabOrder) {
    using P = PageKind;
    EXPECT_TRUE(PagesForLevel(0).empty());
    EXPECT_TRUE(PagesForLevel(1).empty());
    EXPECT_EQ(PagesForLevel(2), (std::vector<P>{P::Monitor, P::Channels}));
    EXPECT_EQ(PagesForLevel(3), (std::vector<P>{P::Monitor, P::Setup, P::Test, P::Communications,
                                                P::Passwords, P::Channels}));
    EXPECT_EQ(PagesForLevel(4), (std::vector<P>{P::Monitor, P::Setup, P::Test, P::Calibration,
                                                P::Communications, P::Passwords, P::Channels}));
    EXPECT_EQ(PagesForLevel(5),
              (std::vector<P>{P::Monitor, P::Setup, P::Test, P::Calibration, P::Software,
                              P::Communications, P::Passwords, P::Channels}));
    EXPECT_EQ(PagesForLevel(6),
              (std::vector<P>{P::Monitor, P::Setup, P::Test, P::Calibration, P::Software,
                              P::Communications, P::Passwords, P::Channels, P::FactorySettings}));
}

}  // namespace
}  // namespace corvane
