#include "framework/qt/qt_chart_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QImage>

#include "framework/dialog.h"
#include "framework/property_sheet.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/qt_window_builder.h"
#include "resources/trend_window.h"

namespace corvane::fw {
namespace {

// Two panes over one minute, the first with two lines, one of them in two pieces.
ChartContent TwoPanes() {
    ChartContent content;
    content.xMin = 1'000'000;
    content.xMax = 1'060'000;
    content.xTicks = {{1'010'000, "09:30:10"}, {1'040'000, "09:30:40"}, {1'070'000, "late"}};
    ChartPane first;
    first.title = "Conductivity (No T/C) (mS/cm)";
    first.axis = {40, 50, 2, 0};
    first.series = {
        {"Sensor1 (1)", 0x1f5fa8, {{{1'000'000, 41}, {1'001'000, 42}}, {{1'050'000, 44}}}},
        {"Sensor2 (2)", 0xc0392b, {{{1'000'500, 48}}}}};
    ChartPane second;
    second.title = "Sensor Temperature (°C)";
    second.axis = {20, 25, 1, 0};
    second.series = {{"Sensor1 (1)", 0x1f5fa8, {{{1'000'000, 22.5}}}}};
    content.panes = {first, second};
    content.marks = {{1'020'000, "02", ChartMark::Kind::Fault}};
    content.note = "Paused at 09:31:00";
    return content;
}

TEST(QtChart, showsEachPaneWithItsLinesAndTheTimeLabelsInView) {
    WindowModel model(resources::TrendTemplate());
    QWidget container;
    QtWindowBuilder builder(model, container);
    QWidget* chart = builder.WidgetFor(ids::kTrendChart);
    ASSERT_TRUE(IsChartWidget(chart));
    container.resize(900, 700);
    container.show();

    model.SetChart(ids::kTrendChart, TwoPanes());
    ShownChart shown = ShownChartOf(chart);
    ASSERT_EQ(shown.panes, 2);
    ASSERT_EQ(shown.lines.size(), 2u);
    ASSERT_EQ(shown.lines[0].size(), 3u) << "one line per piece";
    EXPECT_EQ(shown.lines[0][0], (std::vector<ChartPoint>{{1'000'000, 41}, {1'001'000, 42}}));
    EXPECT_EQ(shown.lines[0][2], (std::vector<ChartPoint>{{1'000'500, 48}}));
    EXPECT_EQ(shown.lines[1].size(), 1u);
    EXPECT_EQ(shown.timeLabels, (std::vector<std::string>{"09:30:10", "09:30:40"}));

    // It paints without complaint.
    QImage image(chart->size(), QImage::Format_ARGB32);
    chart->render(&image);

    // Fewer panes and lines: the rest are hidden, not left showing old data.
    ChartContent one = TwoPanes();
    one.panes.resize(1);
    one.panes[0].series.resize(1);
    one.panes[0].series[0].segments.resize(1);
    model.SetChart(ids::kTrendChart, one);
    shown = ShownChartOf(chart);
    EXPECT_EQ(shown.panes, 1);
    ASSERT_EQ(shown.lines.size(), 1u);
    EXPECT_EQ(shown.lines[0].size(), 1u);
}

class TrendLike : public Dialog {
  public:
    explicit TrendLike(Host& host) : Dialog(host, resources::TrendTemplate()) {}
};

class PlainPage : public PropertyPage {
  public:
    explicit PlainPage(Host& host) : PropertyPage(host, resources::TrendTemplate()) {}
};

// Posted work, and the windows closed meanwhile deleted, as the event loop would.
void RunPostedWork() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A window opened from a page of the (application-modal) sheet stays on top of the sheet and
// blocks nothing: the sheet goes on taking the operator's input.
TEST(QtModeless, aWindowOpenedFromAPageSitsOnItsSheetAndBlocksNothing) {
    QtHost host("help.html");
    PlainPage page(host);
    PropertySheet sheet(host, "Sheet", {&page});
    sheet.DoModal([](int) {});
    RunPostedWork();
    QWidget* sheetWidget = QtHost::WidgetOf(sheet.View());
    ASSERT_NE(sheetWidget, nullptr);
    ASSERT_TRUE(sheetWidget->isModal());

    TrendLike window(host);
    window.ShowModeless(page.View());
    RunPostedWork();
    auto* widget = qobject_cast<QDialog*>(QtHost::WidgetOf(window.View()));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget(), sheetWidget);
    EXPECT_EQ(widget->windowModality(), Qt::NonModal);
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), sheetWidget) << "still the sheet's turn";

    sheet.PressCancel();
    RunPostedWork();
    window.EndDialog(kIdCancel);
    RunPostedWork();
    EXPECT_FALSE(window.IsOpen());
}

}  // namespace
}  // namespace corvane::fw
