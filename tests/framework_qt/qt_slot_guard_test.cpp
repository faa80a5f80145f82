#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <stdexcept>
#include <string>

#include "framework/qt/qt_host.h"
#include "framework/qt/qt_window_builder.h"
#include "framework/qt/slot_guard.h"
#include "framework/window_model.h"

namespace corvane::fw {
namespace {

void RunPostedWork() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

TEST(QtSlotGuard, aFailingHandlerIsReportedAndTheEventLoopGoesOn) {
    QtHost host("help.html");
    bool laterRan = false;
    ::testing::internal::CaptureStderr();
    host.Post([] { throw std::runtime_error("port COM1 vanished"); });
    host.Post([&] { laterRan = true; });
    RunPostedWork();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("posted work failed: port COM1 vanished"), std::string::npos) << report;
    EXPECT_TRUE(laterRan);
}

TEST(QtSlotGuard, aClickWhoseHandlerThrowsDoesNotLeaveTheSlot) {
    static const DialogTemplate t{700, "Guarded", 100, 40, {{5, ControlKind::Button, "&Go"}}};
    WindowModel model(t);
    int clicks = 0;
    model.SetNotifySink([&](int, Notify notify) {
        if (notify != Notify::Clicked) return;
        ++clicks;
        throw std::runtime_error("no reply");
    });
    QWidget container;
    QtWindowBuilder builder(model, container);
    ::testing::internal::CaptureStderr();
    qobject_cast<QPushButton*>(builder.WidgetFor(5))->click();
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(report.find("a click failed: no reply"), std::string::npos) << report;
}

TEST(QtSlotGuardDeathTest, aProgrammingErrorInAHandlerStopsTheProgramWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            QtHost host("help.html");
            host.Post([] { throw std::logic_error("control 9999 is not in dialog 102"); });
            RunPostedWork();
        },
        "programming error in posted work: control 9999 is not in dialog 102");
    EXPECT_DEATH(RunGuarded("a timer", [] { throw std::out_of_range("index 4"); }),
                 "programming error in a timer: index 4");
}

}  // namespace
}  // namespace corvane::fw
