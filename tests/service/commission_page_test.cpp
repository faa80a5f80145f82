#include "service/commission_page.h"

#include "framework/number_text.h"
#include "link/command_table.h"
#include "page_kit/operator_page.h"
#include "resources/factory_page.h"
#include "resources/test_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::kSecond;
using Payloads = std::vector<std::vector<std::uint8_t>>;
using namespace ids;

class TestPage : public testing::SheetRig {
  protected:
    void SetUp() override {
        SheetRig::SetUp();
        LogIn();
        page = &Open("Test");
    }
    fw::WindowModel* page = nullptr;
};

TEST_F(TestPage, eachButtonForcesItsOutputWithTheCurrentAndTheOutputsBit) {
    struct Case {
        int button;
        std::uint8_t payload;
    };
    const Case cases[] = {
        {kTstOut1Transmit2mA, 0x42},  {kTstOut1Transmit4mA, 0x44},  {kTstOut1Transmit12mA, 0x4C},
        {kTstOut1Transmit20mA, 0x54}, {kTstOut1Transmit22mA, 0x56}, {kTstOut2Transmit2mA, 0x82},
        {kTstOut2Transmit4mA, 0x84},  {kTstOut2Transmit12mA, 0x8C}, {kTstOut2Transmit20mA, 0x94},
        {kTstOut2Transmit22mA, 0x96},
    };
    for (const Case& c : cases) {
        const std::size_t from = WrittenCount();
        page->UserClick(c.button);
        rig.Run(kSecond);
        EXPECT_EQ(Sent(fn::kTestOutputs, from), Payloads{{c.payload}}) << "button " << c.button;
    }
    EXPECT_TRUE(rig.host.Boxes().size() == 1u) << "only the login's box: forcing asks nothing";
}

TEST_F(TestPage, bothOutputsForcedAtOnceGoOutLowerCodeFirst) {
    const std::size_t from = WrittenCount();
    page->UserClick(kTstOut2Transmit22mA);
    page->UserClick(kTstOut1Transmit12mA);
    rig.Run(kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x4C}, {0x96}}));
}

TEST_F(TestPage, aButtonPressedTwiceBeforeSendingSendsOnceWithTheSecondCurrent) {
    rig.sensor.Faults().silent = true;  // the engine waits on an unanswered poll meanwhile
    rig.Run(kSecond);
    const std::size_t from = WrittenCount();
    page->UserClick(kTstOut1Transmit4mA);
    page->UserClick(kTstOut1Transmit20mA);
    rig.sensor.Faults().silent = false;
    rig.Run(6 * kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x54}}));
}

TEST_F(TestPage, returnToNormalWithdrawsAForcedOutputNotYetSent) {
    rig.sensor.Faults().silent = true;
    rig.Run(kSecond);
    const std::size_t from = WrittenCount();
    page->UserClick(kTstOut2Transmit12mA);
    page->UserClick(kTstReturnToNormal);
    rig.sensor.Faults().silent = false;
    rig.Run(6 * kSecond);
    EXPECT_EQ(Sent(fn::kTestOutputs, from), (Payloads{{0x00}}));
    EXPECT_EQ(rig.Records().Service.TestCode2, 0);
}

TEST_F(TestPage, channelBoxesShowTheCurrentsTheSensorReports) {
    page->UserClick(kTstOut1Transmit22mA);
    rig.Run(2 * kSecond);
    EXPECT_EQ(page->Text(kTstOut1Current), "22");
    EXPECT_NE(page->Text(kTstOut2Current), "22");
    page->UserClick(kTstReturnToNormal);
    rig.Run(2 * kSecond);
    EXPECT_NE(page->Text(kTstOut1Current), "22");
    EXPECT_EQ(page->Text(kTstOut1Current),
              fw::ShortestText(fw::AsDisplayed("%.2f", rig.Records().Sensor.Out1Current)));
}

TEST_F(TestPage, forcedOutputsStayForcedWhenThePageAndTheSheetAreLeft) {
    page->UserClick(kTstOut1Transmit4mA);
    rig.Run(kSecond);
    const std::size_t from = WrittenCount();
    Open("Monitor");
    Sheet()->PressCancel();
    rig.Run(3 * kSecond);
    EXPECT_TRUE(Sent(fn::kTestOutputs, from).empty());
    EXPECT_DOUBLE_EQ(rig.Records().Sensor.Out1Current, 4.0);
    EXPECT_EQ(rig.Records().Service.TestCurrent1, 0) << "the page's own values are cleared";
}

TEST_F(TestPage, configurationListShowsTheOutputsAndTheSlopeWithTheirDecimals) {
    SensorData& s = rig.Records().Sensor;
    s.Out1.At4mA = 12.34;
    s.Out1.At20mA = 800;
    s.TempCompSlope = 1.876;
    s.DeviceId = 0;
    rig.Window().Sheet()->ActivePage().Invalidate();
    rig.Settle();
    EXPECT_EQ(page->ListItems(kTstConfiguration),
              (std::vector<std::string>{"Current Output 1 :", " Conductivity with T.C. (mS/cm)",
                                        "  4 mA : 12.3 mS/cm", "  20 mA : 800.0 mS/cm",
                                        "Current Output 2 :", " Temperature", "  4 mA : 0.0 °C",
                                        "  20 mA : 100.0 °C", "Temp.Comp.Slope:  1.88 % / °C",
                                        " Temp.Comp.Base 25°C", "Monitoring Device ID 0"}));
}

// A page that refuses to be left stays in view, and goes on refreshing.
TEST_F(TestPage, aPageThatRefusesToBeLeftKeepsRefreshing) {
    fw::WindowModel& factory = Open("Factory Settings");
    auto& factoryPage = static_cast<OperatorPage&>(Sheet()->ActivePage());
    factory.UserType(ids::kFacNextSerial, "");
    EXPECT_FALSE(Sheet()->SetActivePage(0));
    rig.Settle();
    EXPECT_EQ(&Sheet()->ActivePage(), &factoryPage);
    EXPECT_TRUE(factoryPage.TimerRunning(factoryPage.RefreshTimerId()));
}

}  // namespace
}  // namespace corvane
