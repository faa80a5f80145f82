// The behaviour every page and setup dialog shares, on two small pages of its own.
#include <gtest/gtest.h>

#include "framework/exchange_fields.h"
#include "framework/headless/headless_host.h"
#include "page_kit/operator_page.h"

namespace corvane {
namespace {

using fw::ControlKind;
using fw::kMillisecond;

constexpr int kTemperatureEdit = 5001;
constexpr int kMessages = 5002;

const fw::DialogTemplate& KitPageTemplate() {
    static const fw::DialogTemplate t{.id = 5000,
                                      .caption = "Kit",
                                      .controls = {
                                          {.id = kTemperatureEdit, .kind = ControlKind::Edit},
                                          {.id = kMessages, .kind = ControlKind::ListBox, .row = 1},
                                      }};
    return t;
}

// Shows the temperature with one decimal, and counts its initialisations and paints.
template <typename Base>
class KitWindow : public Base {
  public:
    KitWindow(fw::Host& host, SharedRecords& records, int timerId)
        : Base(host, records, KitPageTemplate(), timerId, kMessages) {}
    int initialisations = 0;
    int paints = 0;
    double temperature = 0.0;

  protected:
    void DoDataExchange(fw::DataExchange& dx) override {
        fw::DisplayedNumber(dx, kTemperatureEdit, temperature, "%.1f");
    }
    void InitialiseFields() override { ++initialisations; }
    void CopyFromSensor() override { temperature = this->records_.Sensor.Temperature; }
    void OnPaint() override { ++paints; }
};
using KitPage = KitWindow<OperatorPage>;
using KitDialog = KitWindow<OperatorDialog>;

class PageKit : public ::testing::Test {
  protected:
    void Run(fw::VirtualClock::Micros duration) { clock.RunFor(duration); }
    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    SharedRecords records;
    KitPage first{host, records, 20};
    KitPage second{host, records, 21};
};

TEST_F(PageKit, onlyTheActivePageRefreshesItsFieldsAndMessages) {
    fw::PropertySheet sheet(host, "Sheet", {&first, &second});
    sheet.DoModal([](int) {});
    Run(1);
    records.Sensor.Temperature = 21.46;
    records.Lines[0] = "Msg 08..Sensor Comms OK   /";
    Run(200 * kMillisecond);
    EXPECT_EQ(first.Controls().Text(kTemperatureEdit), "21.5");
    EXPECT_DOUBLE_EQ(first.temperature, 21.5) << "the field holds the value as displayed";
    EXPECT_EQ(first.Controls().ListItems(kMessages),
              std::vector<std::string>{"Msg 08..Sensor Comms OK   /"});

    ASSERT_TRUE(sheet.SetActivePage(1));
    EXPECT_FALSE(first.TimerRunning(20));
    EXPECT_TRUE(second.TimerRunning(21));
    records.Sensor.Temperature = 30.0;
    Run(400 * kMillisecond);
    EXPECT_EQ(first.Controls().Text(kTemperatureEdit), "21.5") << "a hidden page stands still";
    EXPECT_EQ(second.Controls().Text(kTemperatureEdit), "30");

    ASSERT_TRUE(sheet.SetActivePage(0));
    EXPECT_TRUE(first.TimerRunning(20));
    EXPECT_FALSE(second.TimerRunning(21));
}

TEST_F(PageKit, armedRefreshReinitialisesAndRepaintsTheFirstWindowThatSeesIt) {
    fw::PropertySheet sheet(host, "Sheet", {&first, &second});
    sheet.DoModal([](int) {});
    Run(1);
    ASSERT_EQ(first.initialisations, 1);
    const int paintsBefore = first.paints;
    records.PageRefresh = PageRefresh::Armed;
    Run(200 * kMillisecond);
    EXPECT_EQ(records.PageRefresh, PageRefresh::Idle);
    EXPECT_EQ(first.initialisations, 2);
    EXPECT_EQ(first.paints, paintsBefore + 1);
    Run(400 * kMillisecond);
    EXPECT_EQ(first.initialisations, 2) << "one request, one re-initialisation";
}

TEST_F(PageKit, pagesClearTheExitMarkWhenInitialisedAndSetupDialogsDoNot) {
    records.ExitPromptShown = true;
    fw::PropertySheet sheet(host, "Sheet", {&first});
    sheet.DoModal([](int) {});
    EXPECT_FALSE(records.ExitPromptShown);

    records.ExitPromptShown = true;
    KitDialog dialog(host, records, 7);
    dialog.DoModal([](int) {});
    EXPECT_TRUE(records.ExitPromptShown);
    EXPECT_TRUE(dialog.TimerRunning(7));
    records.Sensor.Temperature = -3.26;
    Run(200 * kMillisecond);
    EXPECT_EQ(dialog.Controls().Text(kTemperatureEdit), "-3.3");
}

}  // namespace
}  // namespace corvane
