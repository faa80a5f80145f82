#include <gtest/gtest.h>

#include "app/monitor_page.h"
#include "app_test_rig.h"

namespace corvane {
namespace {

using fw::kMillisecond;
using fw::kSecond;
using testing::AppRig;

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(rig.Start()); }
    std::vector<std::string> Items(int id) { return rig.Controls().ListItems(id); }
    AppRig rig;
};

TEST_F(MainWindow, configurationListShowsTheDefaultsInFiveLines) {
    rig.Settle();
    EXPECT_EQ(Items(ids::kMainConfiguration),
              (std::vector<std::string>{
                  "Software Issue:  Unknown Issue Number             Installed on:  Unknown "
                  "Upgrade Date",
                  "Current Output 1:  Conductivity with T.C. (mS/cm)     4 mA :  0.0 mS/cm     "
                  "20 mA :  1000.0 mS/cm",
                  "Current Output 2:  Temperature     4 mA :  0.0 °C     20 mA :  100.0 °C",
                  "Temp.Comp.Slope:  2.00 % / °C         Temp.Comp.Base 25°C",
                  "Monitoring Device ID 0"}));
}

TEST_F(MainWindow, linkRunsOnTimerOneAndItsLinesShowInTheList) {
    rig.Run(kSecond + 50 * kMillisecond);
    EXPECT_EQ(rig.Line().Openings(), 1);
    EXPECT_EQ(rig.Line().Written().size(), 5u);
    ASSERT_EQ(Items(ids::kMainSystemMessages).size(), 1u);
    EXPECT_EQ(Items(ids::kMainSystemMessages)[0].substr(0, 23), "Msg 08..Sensor Comms OK");

    rig.sensor.Faults().silent = true;
    rig.Run(1400 * kMillisecond);
    EXPECT_EQ(Items(ids::kMainSystemMessages)[0], "Msg 01..Data Reply Overdue");
}

TEST_F(MainWindow, elevenStandingLinesShowAsTenUntilALowerOneGoes) {
    rig.sensor.Faults().silent = true;  // keep the poll replies from clearing device lines
    auto& slots = rig.Records().Slots;
    const std::vector<int> numbers = {11, 12, 13, 14, 15, 16, 17, 18, 21, 22, 23};
    for (const int n : numbers) slots.Set(n, "Msg " + std::to_string(n));
    rig.Run(200 * kMillisecond);
    auto items = Items(ids::kMainSystemMessages);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items.back(), "Msg 22");
    slots.Clear(12);
    rig.Run(200 * kMillisecond);
    items = Items(ids::kMainSystemMessages);
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items.back(), "Msg 23");
}

TEST_F(MainWindow, typingKeepsItsTextWhileTheTimerPushesFields) {
    rig.Controls().UserType(ids::kOperatorName, "PARTIAL NA");
    rig.Run(kSecond);
    EXPECT_EQ(rig.Controls().Text(ids::kOperatorName), "PARTIAL NA");
    EXPECT_EQ(rig.Records().OperatorName, "PARTIAL NA");
}

TEST_F(MainWindow, nameAndPasswordAreLimitedToThirtyTwoCharacters) {
    rig.Controls().UserType(ids::kPassword, std::string(40, 'x'));
    EXPECT_EQ(rig.Records().OperatorPassword, std::string(32, 'X'));
}

TEST_F(MainWindow, versionShowsTheAboutBoxAndHelpOpensTheHelp) {
    rig.Controls().UserClick(ids::kVersion);
    ASSERT_EQ(rig.host.OpenDialogs().size(), 2u);
    auto* about = rig.host.OpenDialogs()[1];
    EXPECT_EQ(about->Template().caption, "About Corvane Control Centre");
    EXPECT_EQ(about->Controls().Text(ids::kAboutVersion), "Release Version 2.2");
    about->Controls().UserClick(ids::kOk);
    rig.Settle();
    EXPECT_EQ(rig.host.OpenDialogs().size(), 1u);
    rig.Controls().UserClick(ids::kHelp);
    EXPECT_EQ(rig.host.HelpOpened(), 1);
    EXPECT_EQ(rig.host.HelpSections().back(), "corvane-control-centre")
        << "the main window's Help opens the help at the main window";
}

TEST_F(MainWindow, exitAndTheCloseBoxBothEndTheProgram) {
    rig.Controls().UserClick(ids::kExit);
    rig.Settle();
    EXPECT_FALSE(rig.exited) << "Exit asks whether to save first";
    rig.host.OpenDialogs().back()->Controls().UserClick(ids::kCancel);  // "&No, Exit without Save"
    EXPECT_FALSE(rig.exited) << "the window closes once the click has been handled";
    rig.Settle();
    EXPECT_TRUE(rig.exited);
    EXPECT_FALSE(rig.Window().IsOpen());
}

TEST_F(MainWindow, closeBoxEndsTheProgramAndClosesAnOpenSheet) {
    rig.LogIn("Ann", "1");
    rig.Window().PressCloseBox();
    rig.Settle();
    EXPECT_TRUE(rig.exited);
    EXPECT_TRUE(rig.host.OpenSheets().empty());
    rig.Run(kSecond);  // no timer of a closed window fires
}

TEST(SingleInstance, secondCopyRaisesTheFirstAndTouchesNothing) {
    fw::InstanceRegistry desktop;
    AppRig first;
    AppRig second;
    first.host.ShareDesktop(desktop);
    second.host.ShareDesktop(desktop);
    ASSERT_TRUE(first.Start());
    EXPECT_FALSE(second.Start());
    EXPECT_EQ(second.app->MainWindow(), nullptr);
    second.Run(kSecond);
    EXPECT_EQ(second.LineIfMade(), nullptr) << "no serial channel was made";
    EXPECT_TRUE(second.host.OpenDialogs().empty());
}

class MonitorPageTest : public MainWindow {
  protected:
    void SetUp() override {
        MainWindow::SetUp();
        rig.sensor.Faults().silent = true;
        rig.LogIn("Ann", "");
        ASSERT_EQ(rig.SheetCaptions(), (std::vector<std::string>{"Monitor", "Channels"}));
    }
    fw::WindowModel& Page() { return rig.Window().Page(PageKind::Monitor)->Controls(); }
};

TEST_F(MonitorPageTest, beforeTheFirstReplyReadingsAreZeroAndTextsDefault) {
    rig.Run(400 * kMillisecond);
    for (const int id : {ids::kMonCondRaw, ids::kMonCondComp, ids::kMonTemperature,
                         ids::kMonConcentration, ids::kMonOut1Current, ids::kMonOut2Current}) {
        EXPECT_EQ(Page().Text(id), "0") << id;
    }
    EXPECT_EQ(Page().Text(ids::kMonConcentrationLabel), "Concentration Not Used");
    EXPECT_EQ(Page().Text(ids::kMonConcentrationUnit), "");
    EXPECT_EQ(Page().Text(ids::kMonTemperatureUnit), "°C");
    EXPECT_EQ(Page().Text(ids::kMonCondRawUnit), "mS/cm");
    EXPECT_EQ(Page().Text(ids::kMonOut1SourceName), "Conductivity with T.C. (mS/cm)");
    EXPECT_EQ(Page().Text(ids::kMonOut2SourceName), "Temperature");
}

TEST_F(MonitorPageTest, numbersShowThroughTheirDisplayFormats) {
    SensorData& s = rig.Records().Sensor;
    s.CondComp = 12.34;
    s.CondRaw = 12.35;
    s.Temperature = -3.26;
    s.Out1Current = 20.000;
    s.Out2Current = 4.004;
    s.Concentration = 1.005;
    rig.Run(400 * kMillisecond);
    EXPECT_EQ(Page().Text(ids::kMonCondComp), "12.3");
    EXPECT_EQ(Page().Text(ids::kMonTemperature), "-3.3");
    EXPECT_EQ(Page().Text(ids::kMonOut1Current), "20");
    EXPECT_EQ(Page().Text(ids::kMonOut2Current), "4");
}

TEST_F(MonitorPageTest, configurationListHasElevenLines) {
    rig.Run(200 * kMillisecond);
    const auto lines = Page().ListItems(ids::kMonConfiguration);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Current Output 1 :");
    EXPECT_EQ(lines[2], "  4 mA : 0.0 mS/cm");
    EXPECT_EQ(lines[7], "  20 mA : 100.0 °C");
    EXPECT_EQ(lines[8], "Temp.Comp.Slope:  2.00 % / °C");
    EXPECT_EQ(lines[9], " Temp.Comp.Base 25°C");
    EXPECT_EQ(lines[10], "Monitoring Device ID 0");
}

TEST_F(MonitorPageTest, systemMessagesShowTenOfMoreLines) {
    for (int n = 11; n <= 28; ++n) rig.Records().Slots.Set(n, "Msg " + std::to_string(n));
    rig.Run(400 * kMillisecond);
    EXPECT_EQ(Page().ListCount(ids::kMonSystemMessages), 10);
}

TEST_F(MonitorPageTest, pageRefreshReachesExactlyOneWindow) {
    for (int round = 0; round < 4; ++round) {
        rig.Run(static_cast<fw::VirtualClock::Micros>(round) * 37 * kMillisecond);
        const std::string name = "Source " + std::to_string(round);
        rig.Records().Sensor.Out1.SourceName = name;
        rig.Records().PageRefresh = PageRefresh::Requested;
        rig.Run(kSecond);
        EXPECT_EQ(rig.Records().PageRefresh, PageRefresh::Idle);
        const bool mainReloaded =
            rig.Controls().ListItem(ids::kMainConfiguration, 1).find(name) != std::string::npos;
        const bool pageReloaded = Page().Text(ids::kMonOut1SourceName) == name;
        EXPECT_NE(mainReloaded, pageReloaded) << "round " << round;
    }
}

TEST_F(MonitorPageTest, timerRunsOnlyWhileThePageIsShown) {
    auto& page = *rig.Window().Page(PageKind::Monitor);
    EXPECT_TRUE(page.TimerRunning(CMonitorPage::kTimerId));
    rig.Window().Sheet()->PressOK();
    rig.Settle();
    EXPECT_FALSE(page.IsOpen());
    rig.Run(kSecond);
}

}  // namespace
}  // namespace corvane
