// corvane-control-centre: the desktop tool.
//
//   corvane-control-centre [--simulate] [--headless] [--com1 DEVICE] [--com2 DEVICE]
//                          [--trace] [--screenshots DIR]
//
// --simulate    a virtual sensor (address 0, 9600 baud 8N1) on a pseudo-terminal inside the
//               program, opened as COM1 through the real serial port code
// --headless    no windows: the main window runs in memory in real time and prints each change
//               of its System Messages and of the live readings; Ctrl-C closes it as the close
//               box does, so the state file is written
// --com1, --com2  the devices of COM1 and COM2 for this run (by default the devices chosen on
//               the Communications page, else /dev/ttyUSB0 and /dev/ttyUSB1); tcp://HOST:PORT
//               reaches the line through a serial device server instead
// --trace       prints every frame sent and received, in hexadecimal, on standard error
// --screenshots DIR  saves a picture of every window in DIR and ends: the main window, the about
//               box, then at the factory level each page of the sheet and the dialogs it owns,
//               the Software page with a download under way and the Monitor page's trend window
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/control_centre_app.h"
#include "app/state_file.h"
#include "framework/headless/headless_host.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/real_time_pump.h"
#include "headless_printer.h"
#include "link/frame_trace.h"
#include "link/line_port.h"
#include "link/serial_device_catalog_qt.h"
#include "release.h"
#include "screenshot_tour.h"
#include "service_record.h"
#include "simulation.h"
#include "stop_signals.h"

namespace {

using namespace corvane;

struct Options {
    bool help = false;     // --help: print the help and end
    bool version = false;  // --version
    bool simulate = false;
    bool headless = false;
    bool trace = false;
    PortMap ports;
    std::string screenshotDir;
    std::string records;  // --records FILE: the service record; empty = the default file
};

constexpr const char* kUsage =
    "usage: corvane-control-centre [--simulate] [--headless] [--com1 DEVICE] [--com2 DEVICE]\n"
    "                              [--trace] [--screenshots DIR] [--records FILE]\n";

constexpr const char* kHelp =
    "\n"
    "The desktop tool that configures, calibrates, tests and services Vexor conductivity\n"
    "sensors over a serial line. F1 in any window opens the help at that window.\n"
    "\n"
    "Options:\n"
    "  --simulate          a virtual sensor (address 0, 9600 baud 8N1) inside the program,\n"
    "                      opened as COM1\n"
    "  --headless          no windows: prints the System Messages and the live readings\n"
    "  --com1 DEVICE       the device of COM1 for this run (tcp://HOST:PORT: a serial\n"
    "                      device server); otherwise the one chosen on the Communications page\n"
    "  --com2 DEVICE       the device of COM2 for this run\n"
    "  --trace             every frame sent and received, in hexadecimal, on standard error\n"
    "  --screenshots DIR   saves a picture of every window in DIR, then ends\n"
    "  --records FILE      the service record (default\n"
    "                      ~/.local/share/Corvane/service-records.sqlite)\n"
    "  --help              this help\n"
    "  --version           the version\n"
    "\n"
    "Serial devices: /dev/serial/by-id/ names each USB adapter plugged in; otherwise\n"
    "/dev/ttyUSB0 (USB adapters), /dev/ttyACM0 (USB modems), /dev/ttyS0 (built-in ports).\n"
    "The settings and the user passwords are kept in Vexor.qzt in the working folder.\n"
    "One copy runs at a time: a second one brings the first to the front and ends with\n"
    "status 0. Exit status: 0 closed; 2 bad usage.\n";

int Usage(const char* problem) {
    std::fprintf(stderr, "corvane-control-centre: %s\n%s", problem, kUsage);
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (arg == "--version") {
            options.version = true;
            return true;
        } else if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if ((arg == "--com1" || arg == "--com2") && hasValue) {
            options.ports.Set(arg == "--com1" ? 1 : 2, argv[++i]);
        } else if (arg == "--screenshots" && hasValue) {
            options.screenshotDir = argv[++i];
        } else if (arg == "--records" && hasValue) {
            options.records = argv[++i];
        } else {
            problem = "unknown option or missing value: " + arg;
            return false;
        }
    }
    return true;
}

// The help: beside the program, else where `cmake --install` puts it relative to the program
// (../share/corvane-control-centre/help/index.html, so a relocated install finds it too), else
// in the source tree the program was built from.
std::string HelpFile() {
    const QString programDir = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {programDir + "/help/index.html", programDir + "/" CORVANE_INSTALLED_HELP_FILE}) {
        if (QFile::exists(candidate)) return QDir::cleanPath(candidate).toStdString();
    }
    return CORVANE_HELP_FILE;
}

CControlCentreApp::ChannelFactory MakeChannel(Simulation& simulation, fw::Host& host,
                                              Options& options) {
    return [&simulation, &host, &options]() -> std::unique_ptr<SerialChannel> {
        if (options.simulate) return simulation.Channel(host, options.ports);
        return std::make_unique<CLinePort>(host, options.ports);
    };
}

// --trace: the link's traffic on standard error, one frame a line.
void TraceTraffic(CControlCentreApp& app) {
    app.MainWindow()->Engine().SetTrace(
        [](std::span<const std::uint8_t> frame) {
            std::fprintf(stderr, "%s\n", TraceLine(true, frame).c_str());
        },
        [](std::span<const std::uint8_t> bytes, FrameEvent event) {
            std::fprintf(stderr, "%s\n", TraceLine(false, bytes, event).c_str());
        });
}

// The device of the port the main window's link uses now.
std::function<std::string()> PortInUse(CControlCentreApp& app, Options& options) {
    return [&app, &options] {
        CControlCentreDlg* window = app.MainWindow();
        return window != nullptr ? options.ports.DeviceFor(window->Records().Sensor.PortNumber)
                                 : std::string();
    };
}

// QCoreApplication sets the C library's locale from the environment. Numbers are written and
// read with a decimal point whatever the user's locale, so LC_NUMERIC goes back to "C" at once,
// in both modes (the Qt host's constructor does the same for the windows).
void KeepNumbersInTheCLocale() {
    std::setlocale(LC_NUMERIC, "C");
}

int RunHeadless(int argc, char** argv, Options& options) {
    QCoreApplication application(argc, argv);
    KeepNumbersInTheCLocale();
    fw::VirtualClock clock;
    fw::RealTimePump pump(clock);
    fw::HeadlessHost host(clock, std::chrono::system_clock::now());  // the date of today
    fw::LocalSocketInstanceLock instanceLock;
    host.SetInstanceArbiter([&](const std::string& title, std::function<void()> onRaise) {
        return instanceLock.RaiseRunningCopy(title, std::move(onRaise));
    });
    host.SetBoxObserver([](const fw::HeadlessHost::ShownBox& shown) {
        std::printf("Box \"%s\": %s\n", shown.box.caption.c_str(), shown.box.text.c_str());
        std::fflush(stdout);
    });
    Simulation simulation;
    StateFile state;
    QtPortDevices devices(options.ports);
    CControlCentreApp app(host, MakeChannel(simulation, host, options), &state, &options.ports);
    if (!app.InitInstance([] { QCoreApplication::exit(0); })) {
        std::printf("Corvane Control Centre is already running.\n");
        return 0;
    }
    if (options.trace) TraceTraffic(app);
    DesktopServiceRecord record(app, options.records, PortInUse(app, options));
    HeadlessPrinter printer(app);
    CloseOnSignal closer(app);
    return application.exec();
}

int RunDesktop(int argc, char** argv, Options& options) {
    QApplication application(argc, argv);
    // The desktop matches the windows to the installed entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane-control-centre"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("corvane-control-centre")));
    KeepNumbersInTheCLocale();
    fw::QtHost host(HelpFile());
    Simulation simulation;
    StateFile state;
    QtPortDevices devices(options.ports);
    CControlCentreApp app(host, MakeChannel(simulation, host, options), &state, &options.ports);
    // exit(), not quit(): quit() first asks every window to close, and a dialog still open
    // (its Cancel decides whether it closes) would keep the program running without its main
    // window.
    if (!app.InitInstance([] { QCoreApplication::exit(0); })) {
        return 0;  // the running copy was brought forward
    }
    if (options.trace) TraceTraffic(app);
    // The screenshot tour records into a history of its own, not the technician's.
    QTemporaryDir tourRecords;
    const std::string records = !options.screenshotDir.empty() && options.records.empty()
                                    ? tourRecords.filePath("service-records.sqlite").toStdString()
                                    : options.records;
    DesktopServiceRecord record(app, records, PortInUse(app, options));
    CloseOnSignal closer(app);
    std::unique_ptr<ScreenshotTour> tour;
    if (!options.screenshotDir.empty()) {
        tour = std::make_unique<ScreenshotTour>(app, host,
                                                QString::fromStdString(options.screenshotDir),
                                                [&simulation, &options](const std::string& line) {
                                                    if (options.simulate) simulation.Control(line);
                                                });
        tour->Start();
    }
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!ParseOptions(argc, argv, options, problem)) return Usage(problem.c_str());
    if (options.help) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    if (options.version) {
        std::printf("corvane-control-centre %s (%s)\n", CORVANE_RELEASE_VERSION,
                    CORVANE_RELEASE_DATE);
        return 0;
    }
    if (options.headless && !options.screenshotDir.empty()) {
        return Usage("--screenshots needs the windows; leave out --headless");
    }
    return options.headless ? RunHeadless(argc, argv, options) : RunDesktop(argc, argv, options);
}
