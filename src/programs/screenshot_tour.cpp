#include "screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>
#include <vector>

#include "app/control_centre_app.h"
#include "app/monitor_page.h"
#include "framework/qt/box_answerer.h"
#include "framework/qt/qt_host.h"
#include "page_kit/operator_page.h"
#include "resources/calibration_assistant.h"
#include "resources/calibration_page.h"
#include "resources/history_window.h"
#include "resources/main_window.h"
#include "resources/monitor_page.h"
#include "resources/setup_page.h"
#include "resources/software_page.h"
#include "service/calibration_assistant_dlg.h"

namespace corvane {
namespace {

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
class TourSteps {
  public:
    TourSteps(CControlCentreApp& app, fw::QtHost& host, QString dir,
              std::function<void(const std::string&)> bench)
        : app_(app), host_(host), dir_(std::move(dir)), bench_(std::move(bench)) {}

    void Start() {
        QDir().mkpath(dir_);
        fw::AnswerBoxesAutomatically();
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
        TourSetupRead(sheet);
        TourDownload(sheet);
        TourTrend(sheet);
        TourAssistant(sheet);
        TourHistory();
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
                [&records] { return records.Download().ImageStatus == 1; });
        Then([this, &sheet, software] {
            host_.AnswerFileDialogsWith("");
            if (sheet.IsOpen()) sheet.Page(software).Controls().UserClick(ids::kSwUpgrade);
        });
        WaitFor("a download part-way", kDownloadLimitMs,
                [&records] { return records.Download().DownloadProgress >= 40; });
        Then([this, &sheet, software] {
            if (!sheet.IsOpen() || sheet.ActiveIndex() != software) return;
            Save(fw::QtHost::WidgetOf(sheet.View()), "software-download.png");
            sheet.Page(software).Controls().UserClick(ids::kSwCancel);
        });
    }

    // The sensor's setup read from the Setup page ("&Read ZK571 Setup", its question answered
    // Yes), so that the service history names the sensor.
    void TourSetupRead(fw::PropertySheet& sheet) {
        int setup = -1;
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == "Setup") setup = i;
        }
        if (setup < 0) return;
        SharedRecords& records = app_.MainWindow()->Records();
        auto before = std::make_shared<std::string>();
        Then([&sheet, &records, setup, before] {
            *before = records.Sensor.UpgradeIssue;
            if (sheet.IsOpen() && sheet.SetActivePage(setup)) {
                sheet.Page(setup).Controls().UserClick(ids::kSetReadSensor);
            }
        });
        WaitFor("the setup read", kWindowLimitMs, [&records, before] {
            return records.UploadBlock() == 0 && records.Sensor.UpgradeIssue != *before;
        });
    }

    // The Calibration Assistant from the Calibration page, at the 92.5 mS/cm point with its
    // reference fitted on the bench and the reading settled.
    void TourAssistant(fw::PropertySheet& sheet) {
        int calibration = -1;
        for (int i = 0; i < sheet.PageCount(); ++i) {
            if (sheet.Page(i).Caption() == "Calibration") calibration = i;
        }
        CCalibrationAssistantDlg* assistant = app_.MainWindow()->Assistant();
        if (calibration < 0 || assistant == nullptr || !bench_) return;
        Then([this, &sheet, calibration] {
            bench_("reference 92.5");
            if (sheet.IsOpen() && sheet.SetActivePage(calibration)) {
                sheet.Page(calibration).Controls().UserClick(ids::kCalAssistant);
            }
        });
        WaitFor("the assistant", kWindowLimitMs, [assistant] { return assistant->IsOpen(); });
        Then([assistant] {
            assistant->Controls().UserSelect(ids::kAsstSteps, 2);
            assistant->Controls().UserClick(ids::kAsstStart);
        });
        WaitFor("a settled reading", kReadingsLimitMs + 40'000, [assistant] {
            return assistant->IsOpen() && assistant->CurrentStep() != nullptr &&
                   assistant->Controls().Text(ids::kAsstStability).starts_with("Stable");
        });
        Then([this, assistant] {
            if (!assistant->IsOpen()) return;
            Save(fw::QtHost::WidgetOf(assistant->View()),
                 PictureName(assistant->Template().caption, ""));
            assistant->Close();
            bench_("reference none");
        });
    }

    // "Service History" from the main window, with the newest event picked out.
    void TourHistory() {
        CControlCentreDlg& window = *app_.MainWindow();
        Then([&window] {
            if (!window.Controls().IsEnabled(ids::kServiceHistory)) return;
            window.Controls().UserClick(ids::kServiceHistory);
        });
        WaitFor("the history window", kWindowLimitMs,
                [&window] { return window.HistoryWindow().IsOpen(); });
        Then([this, &window] {
            CHistoryDlg& history = window.HistoryWindow();
            if (!history.IsOpen()) return;
            history.Controls().UserSelect(ids::kHistEvents, 0);
            Save(fw::QtHost::WidgetOf(history.View()), PictureName(history.Template().caption, ""));
            history.Close();
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
    std::function<void(const std::string&)> bench_;
    std::deque<Step> steps_;
    std::size_t next_ = 0;
};

}  // namespace

class ScreenshotTour::Steps : public TourSteps {
  public:
    using TourSteps::TourSteps;
};

ScreenshotTour::ScreenshotTour(CControlCentreApp& app, fw::QtHost& host, QString dir,
                               std::function<void(const std::string&)> bench)
    : steps_(std::make_unique<Steps>(app, host, std::move(dir), std::move(bench))) {}

ScreenshotTour::~ScreenshotTour() = default;

void ScreenshotTour::Start() {
    steps_->Start();
}

}  // namespace corvane
