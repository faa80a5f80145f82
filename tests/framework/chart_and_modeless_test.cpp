#include <gtest/gtest.h>

#include <stdexcept>

#include "framework/dialog.h"
#include "framework/headless/headless_host.h"

namespace corvane::fw {
namespace {

constexpr int kChart = 10, kLabel = 11;

const DialogTemplate& ChartTemplate() {
    static const DialogTemplate t{.id = 600,
                                  .caption = "Chart",
                                  .width = 200,
                                  .height = 100,
                                  .controls = {
                                      {.id = kChart, .kind = ControlKind::Chart},
                                      {.id = kLabel, .kind = ControlKind::Static, .row = 1},
                                  }};
    return t;
}

ChartContent OnePoint(double y) {
    ChartContent content;
    content.panes.push_back({"Pane", {}, {{"line", 0x112233, {{{1, y}}}}}});
    return content;
}

TEST(ChartControl, holdsItsContentAndReportsAChangeOnlyWhenItDiffers) {
    WindowModel model(ChartTemplate());
    std::vector<int> changed;
    model.SetChangeObserver([&](int id) { changed.push_back(id); });
    EXPECT_EQ(model.Chart(kChart), ChartContent{});
    model.SetChart(kChart, OnePoint(2));
    model.SetChart(kChart, OnePoint(2));
    EXPECT_EQ(changed, std::vector<int>{kChart});
    EXPECT_EQ(model.Chart(kChart).panes[0].series[0].segments[0][0].y, 2);
    model.SetChart(kChart, OnePoint(3));
    EXPECT_EQ(changed.size(), 2u);
    EXPECT_THROW(model.SetChart(kLabel, OnePoint(1)), std::logic_error);
    EXPECT_THROW(model.Chart(kLabel), std::logic_error);
}

class Counted : public Dialog {
  public:
    explicit Counted(Host& host) : Dialog(host, ChartTemplate()) {}
    int initialised = 0;

  protected:
    bool OnInitDialog() override {
        ++initialised;
        return Dialog::OnInitDialog();
    }
};

TEST(ModelessDialog, opensOnceAndShowsAgainWhenAskedTwice) {
    VirtualClock clock;
    HeadlessHost host(clock);
    Counted dialog(host);
    int closedWith = 0;
    dialog.ShowModeless(nullptr, [&](int result) { closedWith = result; });
    dialog.ShowModeless(nullptr);
    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_EQ(dialog.initialised, 1);
    EXPECT_EQ(host.OpenDialogs(), std::vector<Dialog*>{&dialog});
    dialog.PressCloseBox();
    clock.RunFor(1);
    EXPECT_FALSE(dialog.IsOpen());
    EXPECT_EQ(closedWith, kIdCancel);
    EXPECT_TRUE(host.OpenDialogs().empty());
}

TEST(HeadlessHost, preciseTimeIsTheStartPlusTheClocksMicroseconds) {
    VirtualClock clock;
    HeadlessHost host(clock);
    const auto start = host.PreciseNow();
    EXPECT_EQ(start, TimePointOf(host.Now()));
    clock.RunFor(1'234'567);
    EXPECT_EQ(host.PreciseNow() - start, std::chrono::microseconds(1'234'567));
}

}  // namespace
}  // namespace corvane::fw
