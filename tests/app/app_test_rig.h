#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/control_centre_app.h"
#include "framework/headless/headless_host.h"
#include "framework/headless/virtual_clock.h"
#include "resources/about_box.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::testing {

// The whole program on the headless backend: a virtual sensor on a virtual line, the
// application object and its main window, all on one virtual clock.
class AppRig {
  public:
    // `ports`, when given, are the serial devices the Communications page offers.
    explicit AppRig(StateStore* state = nullptr, PortMap* ports = nullptr) {
        app = std::make_unique<CControlCentreApp>(
            host,
            [this]() -> std::unique_ptr<SerialChannel> {
                auto line = std::make_unique<sim::VirtualLine>(clock);
                line_ = line.get();
                line_->Attach(sensor);
                return line;
            },
            state, ports);
    }

    bool Start() {
        return app->InitInstance([this] { exited = true; });
    }

    CControlCentreDlg& Window() { return *app->MainWindow(); }
    fw::WindowModel& Controls() { return Window().Controls(); }
    SharedRecords& Records() { return Window().Records(); }
    sim::VirtualLine& Line() { return *line_; }
    // The line, made when the program starts; none for a copy that found another running.
    sim::VirtualLine* LineIfMade() { return line_; }

    void Run(fw::VirtualClock::Micros duration) { clock.RunFor(duration); }
    void Settle() { clock.RunFor(1); }  // lets posted boxes and paints happen

    // Types a name and a password and presses Enter in the password field.
    void LogIn(const std::string& name, const std::string& password) {
        Controls().UserType(ids::kOperatorName, name);
        Controls().UserType(ids::kPassword, password);
        Controls().SetFocus(ids::kPassword);
        Window().PressEnter();
        Settle();
    }

    std::vector<std::string> SheetCaptions() {
        std::vector<std::string> captions;
        if (auto* sheet = Window().Sheet(); sheet != nullptr && sheet->IsOpen()) {
            for (int i = 0; i < sheet->PageCount(); ++i) {
                captions.emplace_back(sheet->Page(i).Caption());
            }
        }
        return captions;
    }

    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    sim::VirtualSensor sensor{0};
    std::unique_ptr<CControlCentreApp> app;
    bool exited = false;

  private:
    sim::VirtualLine* line_ = nullptr;
};

}  // namespace corvane::testing
