// Every window of the program fits the screen it opens on, whole, with its buttons in reach: run
// on small screens and at large scale factors (see CMakeLists.txt for the screens).
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <string>

#include "app/monitor_page.h"
#include "framework/property_sheet.h"
#include "page_kit/operator_page.h"
#include "real_window_rig.h"
#include "records/service_event.h"
#include "resources/calibration_page.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "service/calibrate_page.h"

namespace corvane::testing {
namespace {

// A service record held in memory: two events of one sensor.
struct HeldHistory : records::EventHistory, records::EventSink {
    HeldHistory() {
        for (const char* time : {"2026-12-01T08:00:00.000Z", "2026-12-02T09:00:00.000Z"}) {
            records::ServiceEvent e;
            e.uuid = time;
            e.timeUtc = time;
            e.sensor.serialNumber = "VX0100";
            e.kind = records::kind::kCalibration;
            e.summary = "conductivity point 2 (92.5 mS/cm)";
            events.push_back(e);
        }
    }
    void Write(records::ServiceEvent event) override { events.push_back(std::move(event)); }
    std::optional<std::vector<records::ServiceEvent>> Events(const records::EventFilter&,
                                                             std::string&) override {
        return events;
    }
    std::optional<std::vector<records::SensorIdentity>> Sensors(std::string&) override {
        return std::vector<records::SensorIdentity>{events.front().sensor};
    }
    std::uint64_t WrittenCount() const override { return events.size(); }
    std::vector<records::ServiceEvent> events;
};

class WindowsFitTheScreen : public RealWindowRig {
  protected:
    // The window `window` lies inside the screen's area for windows, frame and all, and no
    // label in it is cut short.
    void ExpectFits(QWidget* window, const std::string& name) {
        ASSERT_NE(window, nullptr) << name;
        ASSERT_TRUE(WaitFor([window] { return window->isVisible(); })) << name;
        Pump(200);
        const QRect area = window->screen()->availableGeometry();
        const QRect frame = window->frameGeometry();
        EXPECT_TRUE(area.contains(frame))
            << name << ": frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
            << frame.height() << " on a screen area of " << area.width() << "x" << area.height();
        EXPECT_LE(window->minimumSizeHint().boundedTo(window->minimumSize()).height(),
                  area.height())
            << name;
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty() || label->wordWrap()) continue;
            EXPECT_GE(label->width(), label->minimumSizeHint().width())
                << name << ": \"" << label->text().toStdString() << "\" is cut short";
        }
    }
};

TEST_F(WindowsFitTheScreen, everyWindowOfTheProgram) {
    ExpectFits(MainWidget(), "main window");
    LogInByKeyboard();
    fw::PropertySheet& sheet = *Sheet();
    for (int i = 0; i < sheet.PageCount(); ++i) {
        GoToPage(sheet.Page(i).Caption());
        const std::string page(sheet.Page(i).Caption());
        ExpectFits(SheetWidget(), "sheet on " + page);
        auto* operatorPage = dynamic_cast<OperatorPage*>(&sheet.Page(i));
        if (operatorPage == nullptr) continue;
        for (fw::Dialog* dialog : operatorPage->OwnedDialogs()) {
            dialog->DoModal([](int) {}, operatorPage->View());
            ExpectFits(fw::QtHost::WidgetOf(dialog->View()),
                       std::string(dialog->Template().caption));
            dialog->PressCloseBox();
            Pump(200);
        }
        if (auto* monitor = dynamic_cast<CMonitorPage*>(operatorPage)) {
            monitor->Controls().UserClick(ids::kMonTrend);
            ASSERT_TRUE(WaitFor([monitor] { return monitor->Trend() != nullptr; }));
            ExpectFits(fw::QtHost::WidgetOf(monitor->Trend()->View()), "trend window");
            monitor->Trend()->Close();
            Pump(200);
        }
        if (auto* calibration = dynamic_cast<CCalibratePage*>(operatorPage)) {
            calibration->Controls().UserClick(ids::kCalAssistant);
            ASSERT_TRUE(WaitFor([calibration] { return calibration->Assistant().IsOpen(); }));
            ExpectFits(fw::QtHost::WidgetOf(calibration->Assistant().View()),
                       "calibration assistant");
            calibration->Assistant().Close();
            Pump(200);
        }
    }
    Window().SavePrompt().DoModal([](int) {}, Window().View());
    ExpectFits(fw::QtHost::WidgetOf(Window().SavePrompt().View()), "save prompt");
    Window().SavePrompt().PressCloseBox();
    Pump(200);

    HeldHistory history;
    Window().UseServiceRecord(history, {"corvane-control-centre", "test", "bench", {}}, history,
                              nullptr, nullptr);
    Window().Controls().UserClick(ids::kServiceHistory);
    ASSERT_TRUE(WaitFor([this] { return Window().HistoryWindow().IsOpen(); }));
    ExpectFits(fw::QtHost::WidgetOf(Window().HistoryWindow().View()), "service history");
    Window().StopServiceRecord();
}

}  // namespace
}  // namespace corvane::testing
