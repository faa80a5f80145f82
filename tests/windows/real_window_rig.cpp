#include "real_window_rig.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QTabWidget>
#include <clocale>
#include <cstdio>

#include "resources/main_window.h"

namespace corvane::testing {
namespace {

void RunXdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start("xdotool", arguments);
    // The program's windows must go on handling events while xdotool talks to the X server.
    QElapsedTimer waited;
    waited.start();
    while (!xdotool.waitForFinished(10) && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ASSERT_EQ(xdotool.exitStatus(), QProcess::NormalExit)
        << "xdotool " << qPrintable(arguments.join(' '));
    ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
}

constexpr int kSettleMs = 250;  // time for the program to act on what it was sent

}  // namespace

void Keys(const std::vector<std::string>& keys) {
    QStringList arguments{"key", "--clearmodifiers", "--delay", "60"};
    for (const auto& key : keys) arguments << QString::fromStdString(key);
    RunXdotool(arguments);
    Pump(kSettleMs);
}

void Key(const std::string& key) {
    Keys({key});
}

void TypeText(const std::string& text, int delayMs) {
    RunXdotool({"type", "--clearmodifiers", "--delay", QString::number(delayMs),
                QString::fromStdString(text)});
    Pump(kSettleMs);
}

void ClickAt(const QWidget& widget) {
    const QPoint centre = widget.mapToGlobal(widget.rect().center());
    // (No --sync: xdotool would wait for ever for a pointer that is already there to move.)
    RunXdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())});
    Pump(50);
    RunXdotool({"click", "1"});
    Pump(kSettleMs);
}

void Pump(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool WaitFor(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > limitMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

std::string ActiveTitle() {
    QWidget* active = QApplication::activeWindow();
    return active != nullptr ? active->windowTitle().toStdString() : "(none)";
}

void RealWindowRig::SetUp() {
    pump_ = std::make_unique<fw::RealTimePump>(clock_);
    host_ = std::make_unique<fw::QtHost>(helpFile_);
    app_ = std::make_unique<CControlCentreApp>(
        *host_,
        [this]() -> std::unique_ptr<SerialChannel> {
            auto line = std::make_unique<sim::VirtualLine>(clock_);
            line_ = line.get();
            line_->Attach(sensor_);
            return line;
        },
        nullptr, nullptr);
    ASSERT_TRUE(app_->InitInstance([this] { exited_ = true; }));
    ASSERT_TRUE(WaitFor([this] { return ActiveTitle() == CControlCentreDlg::kTitle; }))
        << "the main window is not active: " << ActiveTitle();
    ASSERT_TRUE(WaitFor([this] { return Records().Engine().SensorAnswering; }));
}

void RealWindowRig::TearDown() {
    // Whatever the test left open goes, boxes included, before the next test's windows come.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox*>(window) != nullptr ||
            qobject_cast<QFileDialog*>(window) != nullptr) {
            static_cast<QDialog*>(window)->reject();
        }
    }
    app_.reset();
    host_.reset();
    pump_.reset();
    Pump(100);
}

fw::PropertySheet* RealWindowRig::Sheet() {
    auto* sheet = Window().Sheet();
    return sheet != nullptr && sheet->IsOpen() ? sheet : nullptr;
}

QWidget* RealWindowRig::SheetWidget() {
    return Window().SheetView() != nullptr ? fw::QtHost::WidgetOf(Window().SheetView()) : nullptr;
}

QWidget* RealWindowRig::MainWidget() {
    return fw::QtHost::WidgetOf(Window().View());
}

// The start text in the name box is selected as the window opens: the name typed replaces it.
void RealWindowRig::LogInByKeyboard(const std::string& password) {
    TypeText("A. Fitter");
    Key("Tab");
    TypeText(password);
    Key("Return");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Valid Password Entered"; })) << ActiveTitle();
    Key("Return");
    ASSERT_TRUE(WaitFor([this] { return Sheet() != nullptr; }));
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == CControlCentreDlg::kSheetCaption; }))
        << ActiveTitle();
}

void RealWindowRig::GoToPage(std::string_view caption) {
    fw::PropertySheet* sheet = Sheet();
    ASSERT_NE(sheet, nullptr);
    for (int step = 0; step < sheet->PageCount() && sheet->ActivePage().Caption() != caption;
         ++step) {
        Key("ctrl+Tab");
    }
    ASSERT_EQ(sheet->ActivePage().Caption(), caption);
}

QPushButton* RealWindowRig::Button(QWidget* in, int id) {
    if (in == nullptr) return nullptr;
    for (auto* button : in->findChildren<QPushButton*>(QString::number(id))) {
        if (button->isVisible()) return button;
    }
    return nullptr;
}

std::vector<std::vector<std::uint8_t>> RealWindowRig::Sent(int function, std::size_t from) {
    std::vector<std::vector<std::uint8_t>> payloads;
    const auto& written = Line().Written();
    for (std::size_t i = from; i < written.size(); ++i) {
        const auto& frame = written[i];
        if (frame.size() >= 4 && frame[1] == function) {
            payloads.emplace_back(frame.begin() + 2, frame.end() - 2);
        }
    }
    return payloads;
}

}  // namespace corvane::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (QGuiApplication::platformName() != "xcb") {
        std::fprintf(stderr, "these tests need a real X server (run_in_x_server.sh)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
