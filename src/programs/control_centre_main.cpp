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
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/control_centre_app.h"
#include "app/monitor_page.h"
#include "app/operator_page.h"
#include "app/state_file.h"
#include "framework/headless/headless_host.h"
#include "framework/number_text.h"
#include "framework/qt/qt_host.h"
#include "framework/qt/real_time_pump.h"
#include "link/frame_trace.h"
#include "link/line_port.h"
#include "link/serial_device_catalog_qt.h"
#include "link/serial_port.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "resources/software_page.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "sim/pty_server.h"
#endif

namespace {

using namespace corvane;

struct Options {
    bool simulate = false;
    bool headless = false;
    bool trace = false;
    PortMap ports;
    std::string screenshotDir;
};

int Usage(const char* problem) {
    std::fprintf(stderr,
                 "corvane-control-centre: %s\n"
                 "usage: corvane-control-centre [--simulate] [--headless] [--com1 DEVICE] "
                 "[--com2 DEVICE] [--trace] [--screenshots DIR]\n",
                 problem);
    return 2;
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& problem) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if ((arg == "--com1" || arg == "--com2") && hasValue) {
            options.ports.Set(arg == "--com1" ? 1 : 2, argv[++i]);
        } else if (arg == "--screenshots" && hasValue) {
            options.screenshotDir = argv[++i];
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

// The virtual sensor for --simulate: on a pseudo-terminal where the system has them (so the
// real serial port code is used), otherwise on the in-process line.
class Simulation {
  public:
    std::unique_ptr<SerialChannel> Channel(fw::Host& host, PortMap& ports) {
#ifndef _WIN32
        server_ = std::make_unique<sim::PtyServer>(sim::PtyServer::Options{});
        std::string error;
        if (server_->Start(error)) {
            server_->RunInThread();
            ports.Set(1, server_->DevicePath());
            std::printf("Virtual sensor at address 0, 9600 baud 8N1, on %s (COM1)\n",
                        server_->DevicePath().c_str());
            return std::make_unique<CLinePort>(host, ports);
        }
        std::fprintf(stderr, "No pseudo-terminal (%s): the virtual sensor runs in-process.\n",
                     error.c_str());
        server_.reset();
#endif
        pump_ = std::make_unique<fw::RealTimePump>(clock_);
        auto line = std::make_unique<sim::VirtualLine>(clock_);
        line->Attach(sensor_);
        return line;
    }

  private:
#ifndef _WIN32
    std::unique_ptr<sim::PtyServer> server_;
#endif
    fw::VirtualClock clock_;
    std::unique_ptr<fw::RealTimePump> pump_;
    sim::VirtualSensor sensor_{0};
};

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

// Closes message boxes as if the operator pressed their first button, Yes where there is one
// (for screenshots).
void AnswerBoxesAutomatically() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
            } else {
                box->accept();
            }
        }
    });
    timer->start(100);
}

// A small software image for the picture of a download under way: 128 records of 16 bytes
// from address 0, then the end record.
bool WriteDemoImage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (int record = 0; record < 128; ++record) {
        std::vector<int> bytes{16, (record * 16) >> 8, (record * 16) & 0xFF, 0};
        for (int i = 0; i < 16; ++i) bytes.push_back((record * 31 + i * 7 + 3) & 0xFF);
        int sum = 0;
        for (const int b : bytes) sum += b;
        bytes.push_back((0x100 - (sum & 0xFF)) & 0xFF);
        QByteArray line = ":";
        for (const int b : bytes)
            line += QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        file.write(line + "\r\n");
    }
    file.write(":00000001FF\r\n");
    return file.flush();
}

// The file name of a window's picture: its caption in lower case, blanks turned to '-', and
// what does not belong in a file name (the '?' of a question) left out.
QString PictureName(std::string_view caption, const char* suffix) {
    QString name = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    name = name.toLower().replace(' ', '-');
    name.removeIf([](QChar c) { return !c.isLetterOrNumber() && c != '-'; });
    while (name.endsWith('-')) name.chop(1);
    return name + suffix + ".png";
}

// --screenshots: a tour of every window, run on the event loop one step after the other. A step
// may first wait for a condition (looked at every 100 ms, up to a time limit); after each step
// the windows get a moment to show what it changed before the next one runs.
class ScreenshotTour {
  public:
    ScreenshotTour(CControlCentreApp& app, fw::QtHost& host, QString dir)
        : app_(app), host_(host), dir_(std::move(dir)) {}

    void Start() {
        QDir().mkpath(dir_);
        AnswerBoxesAutomatically();
        auto& window = *app_.MainWindow();
        WaitFor("the first live readings", kReadingsLimitMs, [&window] {
            for (const auto& line : window.Controls().ListItems(ids::kMainSystemMessages)) {
                if (line.starts_with("Msg 08")) return true;
            }
            return false;
        });
        Then([this, &window] {
            Save(fw::QtHost::WidgetOf(window.View()), "main-window.png");
            window.Controls().UserClick(ids::kVersion);
        });
        WaitFor("the about box", kWindowLimitMs, [] {
            return QApplication::activeModalWidget() != nullptr &&
                   qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr;
        });
        Then([this] {
            QWidget* about = QApplication::activeModalWidget();
            Save(about, "about-box.png");
            if (about != nullptr) about->close();  // as its close box
        });
        Then([&window] {
            window.Controls().UserType(ids::kOperatorName, "A. Technician");
            window.Controls().UserType(ids::kPassword, "K425TRM");  // the factory level
            window.Controls().UserClick(ids::kOk);
        });
        WaitFor("the property sheet", kWindowLimitMs,
                [&window] { return window.Sheet() != nullptr && window.Sheet()->IsOpen(); });
        Then([this, &window] { TourPages(*window.Sheet()); });
        Run();
    }

  private:
    static constexpr int kPollMs = 100;
    static constexpr int kSettleMs = 600;  // three refreshes of a page
    static constexpr int kReadingsLimitMs = 20000;
    static constexpr int kWindowLimitMs = 5000;
    static constexpr int kDownloadLimitMs = 60000;
    static constexpr int kTrendFillMs = 40000;
    static constexpr int kTrendLimitMs = 45000;

    struct Step {
        std::function<bool()> ready;
        std::function<void()> action;
        const char* awaited = nullptr;
        int limitMs = 0;
    };

    void Then(std::function<void()> action) { steps_.push_back({{}, std::move(action)}); }
    void WaitFor(const char* awaited, int limitMs, std::function<bool()> ready) {
        steps_.push_back({std::move(ready), {}, awaited, limitMs});
    }

    // Each page of the sheet in turn, and on top of it each dialog the page owns.
    void TourPages(fw::PropertySheet& sheet) {
        for (int i = 0; i < sheet.PageCount(); ++i) {
            Then([&sheet, i] {
                if (!sheet.IsOpen()) return;
                if (!sheet.SetActivePage(i)) {
                    std::fprintf(stderr, "screenshots: the sheet stays on its page\n");
                }
            });
            Then([this, &sheet, i] {
                if (!sheet.IsOpen() || sheet.ActiveIndex() != i) return;
                Save(fw::QtHost::WidgetOf(sheet.View()),
                     PictureName(sheet.Page(i).Caption(), "-page"));
            });
            auto* page = dynamic_cast<OperatorPage*>(&sheet.Page(i));
            if (page == nullptr) continue;
            for (fw::Dialog* dialog : page->OwnedDialogs()) {
                Then([page, dialog] {
                    if (!dialog->IsOpen()) dialog->DoModal([](int) {}, page->View());
                });
                Then([this, dialog] {
                    if (!dialog->IsOpen()) return;
                    Save(fw::QtHost::WidgetOf(dialog->View()),
                         PictureName(dialog->Template().caption, ""));
                    dialog->PressCloseBox();
                });
            }
        }
        TourDownload(sheet);
        TourTrend(sheet);
        // The save prompt of "&Exit", opened on its own: its close box then ends nothing.
        CControlCentreDlg& window = *app_.MainWindow();
        Then([&window] {
            if (!window.SavePrompt().IsOpen())
                window.SavePrompt().DoModal([](int) {}, window.View());
        });
        Then([this, &window] {
            fw::Dialog& prompt = window.SavePrompt();
            if (!prompt.IsOpen()) return;
            Save(fw::QtHost::WidgetOf(prompt.View()), PictureName(prompt.Template().caption, ""));
            prompt.PressCloseBox();
        });
        Then([] { QCoreApplication::exit(0); });  // quit() would first ask every window to close
    }

    // The Software page with an upgrade under way: a generated image chosen with "Browse", the
    // upgrade confirmed, and the sheet taken once the progress bar is part-way.
    void TourDownload(fw::PropertySheet& sheet) {
        int software = -1;
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == "Software") software = i;
        }
        if (software < 0 || !imageDir_.isValid()) return;
        SharedRecords& records = app_.MainWindow()->Records();
        Then([this, &sheet, software] {
            const QString path = imageDir_.filePath("upgrade.Hex");
            if (!sheet.IsOpen() || !sheet.SetActivePage(software) || !WriteDemoImage(path)) return;
            host_.AnswerFileDialogsWith(path.toStdString());
            sheet.Page(software).Controls().UserClick(ids::kSwBrowse);
        });
        WaitFor("a chosen software image", kWindowLimitMs,
                [&records] { return records.Download.ImageStatus == 1; });
        Then([this, &sheet, software] {
            host_.AnswerFileDialogsWith("");
            if (sheet.IsOpen()) sheet.Page(software).Controls().UserClick(ids::kSwUpgrade);
        });
        WaitFor("a download part-way", kDownloadLimitMs,
                [&records] { return records.Download.DownloadProgress >= 40; });
        Then([this, &sheet, software] {
            if (!sheet.IsOpen() || sheet.ActiveIndex() != software) return;
            Save(fw::QtHost::WidgetOf(sheet.View()), "software-download.png");
            sheet.Page(software).Controls().UserClick(ids::kSwCancel);
        });
    }

    // The trend window of the Monitor page (trend.png), given most of a minute of readings after
    // the download to show: the download's gap in the lines and its status lines marked.
    void TourTrend(fw::PropertySheet& sheet) {
        int monitor = -1;
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == "Monitor") monitor = i;
        }
        if (monitor < 0) return;
        auto* page = dynamic_cast<CMonitorPage*>(&sheet.Page(monitor));
        auto opened = std::make_shared<QElapsedTimer>();
        Then([&sheet, page, monitor, opened] {
            if (page == nullptr || !sheet.IsOpen() || !sheet.SetActivePage(monitor)) return;
            page->Controls().UserClick(ids::kMonTrend);
            opened->start();
        });
        WaitFor("a trend of most of a minute", kTrendLimitMs,
                [opened] { return opened->isValid() && opened->elapsed() >= kTrendFillMs; });
        Then([this, page] {
            CTrendDlg* trend = page != nullptr ? page->Trend() : nullptr;
            if (trend == nullptr || !trend->IsOpen()) return;
            Save(fw::QtHost::WidgetOf(trend->View()), PictureName(trend->Template().caption, ""));
            trend->Close();
        });
    }

    void Save(QWidget* widget, const QString& name) {
        const QString path = dir_ + "/" + name;
        if (widget != nullptr) {
            // The whole window, however small the screen of the run (an offscreen one is
            // 800x600): a window sized to a small screen would show scroll bars instead.
            widget->resize(widget->sizeHint().expandedTo(widget->size()));
            QCoreApplication::processEvents();
        }
        if (widget == nullptr || !widget->grab().save(path)) {
            std::fprintf(stderr, "screenshots: %s not saved\n", qUtf8Printable(path));
        }
    }

    // Runs the next step: an action at once, a wait until its condition holds or its limit is
    // reached (the tour then goes on with what there is).
    void Run(int waitedMs = 0) {
        if (next_ >= steps_.size()) return;
        Step& step = steps_[next_];
        if (step.ready) {
            if (!step.ready() && waitedMs < step.limitMs) {
                QTimer::singleShot(kPollMs, qApp, [this, waitedMs] { Run(waitedMs + kPollMs); });
                return;
            }
            if (waitedMs >= step.limitMs) {
                std::fprintf(stderr, "screenshots: no %s within %d s\n", step.awaited,
                             step.limitMs / 1000);
            }
            ++next_;
            Run();
            return;
        }
        const auto action = step.action;  // the action may add steps
        ++next_;
        action();
        QTimer::singleShot(kSettleMs, qApp, [this] { Run(); });
    }

    CControlCentreApp& app_;
    fw::QtHost& host_;
    QString dir_;
    QTemporaryDir imageDir_;
    std::deque<Step> steps_;
    std::size_t next_ = 0;
};

// What SIGINT and SIGTERM do (see CloseOnSignal); `closing` is set by the first signal.
void EndOnSignal(CControlCentreApp& app, bool& closing) {
    CControlCentreDlg* window = app.MainWindow();
    if (closing || window == nullptr || !window->IsOpen()) {
        QCoreApplication::exit(0);
        return;
    }
    closing = true;
    window->CloseOnRequest();
}

#ifndef _WIN32
// The write end of the pipe that carries SIGINT and SIGTERM into the event loop. The handler
// may do no more than write(2) a byte, so the descriptor is all it can reach.
int signalPipeWriteEnd = -1;

void ForwardSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a pending request; nothing is lost when this byte is not written.
    [[maybe_unused]] const ssize_t written = ::write(signalPipeWriteEnd, &byte, 1);
    errno = savedErrno;
}

// SIGINT and SIGTERM end the program whatever window is open: the main window closes without
// asking (see CControlCentreDlg::CloseOnRequest), so the state file is written. Should the window
// be gone already, or a second signal come while it closes, the event loop ends at once.
// The handler writes one byte to a pipe whose read end the event loop watches, so the program
// sleeps until a signal comes and does the closing outside the handler.
class CloseOnSignal {
  public:
    explicit CloseOnSignal(CControlCentreApp& app) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::perror("corvane-control-centre: no pipe for SIGINT and SIGTERM");
            return;
        }
        readEnd_ = ends[0];
        signalPipeWriteEnd = ends[1];
        notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this, &app] {
                             char bytes[16];
                             while (::read(readEnd_, bytes, sizeof bytes) > 0) {
                             }
                             EndOnSignal(app, closing_);
                         });
        struct sigaction action {};
        action.sa_handler = ForwardSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    ~CloseOnSignal() {
        if (readEnd_ < 0) return;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        notifier_.reset();
        ::close(signalPipeWriteEnd);
        signalPipeWriteEnd = -1;
        ::close(readEnd_);
    }
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

  private:
    int readEnd_ = -1;
    bool closing_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};
#else
std::atomic<bool> closeRequested{false};
void RequestClose(int) {
    closeRequested.store(true);
}

// SIGINT and SIGTERM close the main window as its close box does, so the state file is written.
// Without pipes for the event loop to watch, the handler sets a flag that a timer looks at.
class CloseOnSignal {
  public:
    explicit CloseOnSignal(CControlCentreApp& app) {
        std::signal(SIGINT, RequestClose);
        std::signal(SIGTERM, RequestClose);
        QObject::connect(&watch_, &QTimer::timeout, &watch_, [this, &app] {
            if (closeRequested.load()) {
                closeRequested.store(false);
                EndOnSignal(app, closing_);
            }
        });
        watch_.start(50);
    }

  private:
    QTimer watch_;
    bool closing_ = false;
};
#endif

// What --headless prints: the System Messages list and the live readings, when they change.
class HeadlessPrinter {
  public:
    explicit HeadlessPrinter(CControlCentreApp& app) : app_(app) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Print(); });
        timer_.start(200);
    }

  private:
    void Print() {
        auto* window = app_.MainWindow();
        if (window == nullptr || !window->IsOpen()) return;
        const auto lines = window->Controls().ListItems(ids::kMainSystemMessages);
        if (lines != lines_) {
            lines_ = lines;
            std::string joined;
            for (const auto& line : lines) joined += (joined.empty() ? "" : " | ") + line;
            std::printf("System Messages: %s\n", joined.empty() ? "(none)" : joined.c_str());
        }
        const SensorData& s = window->Records().Sensor;
        const std::string readings = "Cond " + fw::FormatNumber("%.1f", s.CondRaw) +
                                     " mS/cm, with T.C. " + fw::FormatNumber("%.1f", s.CondComp) +
                                     " mS/cm, Temp " + fw::FormatNumber("%.1f", s.Temperature) +
                                     " " + s.TempUnit + ", Conc " +
                                     fw::FormatNumber("%.2f", s.Concentration) +
                                     (s.DigitalUnit.empty() ? "" : " " + s.DigitalUnit) +
                                     ", Out1 " + fw::FormatNumber("%.2f", s.Out1Current) +
                                     " mA, Out2 " + fw::FormatNumber("%.2f", s.Out2Current) + " mA";
        if (readings != readings_) {
            readings_ = readings;
            std::printf("Readings: %s\n", readings.c_str());
        }
        std::fflush(stdout);
    }

    CControlCentreApp& app_;
    QTimer timer_;
    std::vector<std::string> lines_;
    std::string readings_;
};

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
    fw::HeadlessHost host(clock);
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
    CloseOnSignal closer(app);
    std::unique_ptr<ScreenshotTour> tour;
    if (!options.screenshotDir.empty()) {
        tour = std::make_unique<ScreenshotTour>(app, host,
                                                QString::fromStdString(options.screenshotDir));
        tour->Start();
    }
    return application.exec();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!ParseOptions(argc, argv, options, problem)) return Usage(problem.c_str());
    if (options.headless && !options.screenshotDir.empty()) {
        return Usage("--screenshots needs the windows; leave out --headless");
    }
    return options.headless ? RunHeadless(argc, argv, options) : RunDesktop(argc, argv, options);
}
