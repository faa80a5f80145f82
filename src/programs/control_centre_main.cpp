// corvane-control-centre: the desktop tool.
//
//   corvane-control-centre --simulate                 on the virtual sensor
//   corvane-control-centre --simulate --screenshots DIR
//                                                     saves the main window and the Monitor
//                                                     page as PNG pictures in DIR and ends
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/control_centre_app.h"
#include "framework/qt/qt_host.h"
#include "resources/control_ids.h"
#include "sim/virtual_line.h"
#include "sim/virtual_sensor.h"

namespace {

struct Options {
    bool simulate = false;
    std::string screenshotDir;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--simulate") == 0) {
            options.simulate = true;
        } else if (std::strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
            options.screenshotDir = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

std::string HelpFile() {
    const QString beside = QCoreApplication::applicationDirPath() + "/help/index.html";
    if (QFile::exists(beside)) return beside.toStdString();
    return CORVANE_HELP_FILE;
}

// The virtual sensor's line runs on its own clock, kept up with real time.
class RealTimeSimulation {
public:
    RealTimeSimulation() {
        elapsed_.start();
        QObject::connect(&pump_, &QTimer::timeout, &pump_, [this] {
            clock_.RunUntil(elapsed_.nsecsElapsed() / 1000);
        });
        pump_.start(1);
    }
    corvane::fw::VirtualClock& Clock() { return clock_; }

private:
    corvane::fw::VirtualClock clock_;
    QElapsedTimer elapsed_;
    QTimer pump_;
};

// Closes message boxes as if the operator pressed their first button (for screenshots).
void AnswerBoxesAutomatically() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->accept();
        }
    });
    timer->start(100);
}

void TakeScreenshots(corvane::CControlCentreApp& app, const QString& dir) {
    using namespace corvane;
    QDir().mkpath(dir);
    AnswerBoxesAutomatically();
    auto& window = *app.MainWindow();
    QTimer::singleShot(2500, qApp, [&window, dir] {
        fw::QtHost::WidgetOf(window.View())->grab().save(dir + "/main-window.png");
        window.Controls().UserType(ids::kOperatorName, "A. Technician");
        window.Controls().UserClick(ids::kOk);
    });
    QTimer::singleShot(5000, qApp, [&window, dir] {
        if (auto* sheet = window.Sheet(); sheet != nullptr && sheet->IsOpen()) {
            if (QWidget* widget = fw::QtHost::WidgetOf(window.SheetView())) {
                widget->grab().save(dir + "/monitor-page.png");
            }
        }
        QApplication::quit();
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: corvane-control-centre --simulate [--screenshots DIR]\n");
        return 2;
    }
    if (!options.simulate) {
        std::fprintf(stderr,
                     "corvane-control-centre: this build talks to the virtual sensor only; "
                     "start it with --simulate.\n");
        return 2;
    }

    corvane::fw::QtHost host(HelpFile());
    RealTimeSimulation simulation;
    corvane::sim::VirtualSensor sensor(0);
    auto line = std::make_unique<corvane::sim::VirtualLine>(simulation.Clock());
    line->Attach(sensor);

    corvane::CControlCentreApp app(host, std::move(line));
    if (!app.InitInstance([] { QApplication::quit(); })) {
        return 0;  // the running copy was brought forward
    }
    if (!options.screenshotDir.empty()) {
        TakeScreenshots(app, QString::fromStdString(options.screenshotDir));
    }
    return application.exec();
}
