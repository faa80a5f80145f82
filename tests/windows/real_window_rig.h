#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/control_centre_app.h"
#include "framework/headless/virtual_clock.h"
#include "framework/property_sheet.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/real_time_pump.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::testing {

// The X server's input: keys and clicks go through xdotool to the X server, which hands them to
// whichever window the window manager has made active, exactly as a technician's keyboard and
// mouse would. Each call waits until xdotool has delivered its events, then lets the program
// handle them.
void Keys(const std::vector<std::string>& keys);
void Key(const std::string& key);
// Types `text` with `delayMs` between keys (a person's pace by default).
void TypeText(const std::string& text, int delayMs = 40);
void ClickAt(const QWidget& widget);

// Runs the program's event loop for `ms` milliseconds.
void Pump(int ms);
// Runs the event loop until `done` holds or `limitMs` has passed; whether it held.
bool WaitFor(const std::function<bool()>& done, int limitMs = 5000);

// The title of the window that has the keyboard focus, as Qt learnt it from the X server.
std::string ActiveTitle();

// The desktop program as it runs for a technician, in real windows on the X server given by
// DISPLAY, with a virtual sensor on a line inside the process (the readings and the requests on
// the wire at hand). Starts with the main window up and the first readings in.
class RealWindowRig : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CControlCentreDlg& Window() { return *app_->MainWindow(); }
    SharedRecords& Records() { return Window().Records(); }
    sim::VirtualLine& Line() { return *line_; }
    fw::PropertySheet* Sheet();
    QWidget* SheetWidget();
    QWidget* MainWidget();

    // Types the name and password into the main window and presses Enter, then Enter again on
    // the box that tells the access level; the sheet is up and active afterwards.
    void LogInByKeyboard(const std::string& password = "K425TRM");
    // Makes the sheet's page captioned `caption` the one in view, by Ctrl+Tab.
    void GoToPage(std::string_view caption);
    // The push button of control `id` in the active page or window `in`.
    QPushButton* Button(QWidget* in, int id);
    // The frames written to the sensor since `from` whose function is `function`.
    std::vector<std::vector<std::uint8_t>> Sent(int function, std::size_t from = 0);

    std::string helpFile_;  // the help the host opens (none by default)
    fw::VirtualClock clock_;
    std::unique_ptr<fw::RealTimePump> pump_;
    sim::VirtualSensor sensor_{0};
    std::unique_ptr<fw::QtHost> host_;
    std::unique_ptr<CControlCentreApp> app_;
    sim::VirtualLine* line_ = nullptr;
    bool exited_ = false;
};

}  // namespace corvane::testing
