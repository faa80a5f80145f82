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
#include "resources/main_window.h"
#include "resources/monitor_page.h"

namespace corvane::testing {
namespace {

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
    }
    Window().SavePrompt().DoModal([](int) {}, Window().View());
    ExpectFits(fw::QtHost::WidgetOf(Window().SavePrompt().View()), "save prompt");
    Window().SavePrompt().PressCloseBox();
}

}  // namespace
}  // namespace corvane::testing
