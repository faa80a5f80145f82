#pragma once

// What the end-to-end tests share: the vexor-sim program on a pseudo-terminal reached through a
// stable link path, and the whole control centre with COM1 on that link, on a real-time headless
// host, driven the way an operator drives it.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/control_centre_app.h"
#include "framework/headless/headless_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/serial_port.h"
#include "resources/main_window.h"

namespace corvane::testing {

// Whether this system gives pseudo-terminals at all (some containers do not).
inline bool PseudoTerminalsAvailable() {
    const int fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) return false;
    close(fd);
    return true;
}

// Runs the event loop until `done` holds or `seconds` have passed; whether it holds.
inline bool WaitUntil(const std::function<bool()>& done, int seconds) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    check.start(20);
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    if (!done()) loop.exec();
    return done();
}

// How a program run ended: its exit status (-1 when it had to be killed) and what it printed.
struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs corvane with `arguments` and waits for it to end (killed after `seconds`: a run that
// does not end on its own fails the test rather than hanging it).
inline Finished RunCorvane(const QStringList& arguments, int seconds = 20) {
    QProcess process;
    process.start(CORVANE_PROGRAM, arguments);
    Finished result;
    if (!process.waitForFinished(seconds * 1000)) {
        process.kill();
        process.waitForFinished(2000);
        result.err = "still running after " + std::to_string(seconds) + " s";
        return result;
    }
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

// The vexor-sim program serving on a pseudo-terminal whose device is reached through `Link()`;
// stopped (SIGTERM) when the object goes.
class SimulatorProcess {
  public:
    // Starts `vexor-sim --link <a fresh path named after tag> <arguments>`; false when it does
    // not start or its link does not appear within 5 s.
    bool Start(const std::string& tag, const QStringList& arguments = {}) {
        link_ = std::filesystem::temp_directory_path() /
                ("vexor-" + tag + "-e2e-" + std::to_string(::getpid()));
        process_.start(VEXOR_SIM_PROGRAM,
                       QStringList{"--link", QString::fromStdString(link_.string())} + arguments);
        return process_.waitForStarted(5000) &&
               WaitUntil([&] { return std::filesystem::exists(link_); }, 5);
    }
    ~SimulatorProcess() { Stop(); }
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        process_.waitForFinished(5000);
    }
    const std::filesystem::path& Link() const { return link_; }
    QProcess& Process() { return process_; }

  private:
    std::filesystem::path link_;
    QProcess process_;
};

// The control centre with COM1 on `link`, through the real serial port.
struct ProgramOnLink {
    explicit ProgramOnLink(const std::filesystem::path& link) {
        ports.Set(1, link.string());
        app = std::make_unique<CControlCentreApp>(
            host, [this] { return std::make_unique<CSerialPort>(host, ports); }, nullptr);
    }
    bool Start() {
        return app->InitInstance([this] { exited = true; });
    }
    CControlCentreDlg& Window() { return *app->MainWindow(); }
    SharedRecords& Records() { return Window().Records(); }

    // Logs in at the factory level, so that the sheet holds every page.
    void LogIn() {
        auto& controls = Window().Controls();
        controls.UserType(ids::kOperatorName, "E2E Fitter");
        controls.UserType(ids::kPassword, "K425TRM");
        controls.SetFocus(ids::kPassword);
        Window().PressEnter();
    }
    fw::PropertySheet* Sheet() {
        auto* sheet = Window().Sheet();
        return sheet != nullptr && sheet->IsOpen() ? sheet : nullptr;
    }
    // Makes the page captioned `caption` the active one; its controls, or null.
    fw::WindowModel* Page(std::string_view caption) {
        fw::PropertySheet* sheet = Sheet();
        if (sheet == nullptr) return nullptr;
        for (int i = 0; i < sheet->PageCount(); ++i) {
            if (sheet->Page(i).Caption() == caption && sheet->SetActivePage(i)) {
                return &sheet->Page(i).Controls();
            }
        }
        return nullptr;
    }

    fw::VirtualClock clock;
    fw::HeadlessHost host{clock};
    fw::RealTimePump pump{clock};
    PortMap ports;
    std::unique_ptr<CControlCentreApp> app;
    bool exited = false;
};

}  // namespace corvane::testing
