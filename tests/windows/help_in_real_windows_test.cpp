// The help key in real windows: F1 in the main window, on each page of the sheet and in a dialog,
// and the main window's Help button, ask the desktop to open the help at that window's section.
// The browser is a script that writes down each address it is given.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QUrl>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/host.h"
#include "framework/property_sheet.h"
#include "real_window_rig.h"
#include "resources/main_window.h"
#include "resources/setup_page.h"

namespace corvane::testing {
namespace {

using namespace ids;

class HelpInRealWindows : public RealWindowRig {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        const QString browser = folder_.filePath("browser.sh");
        QFile script(browser);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("CORVANE_HELP_BROWSER", browser.toLocal8Bit());
        helpFile_ = CORVANE_HELP_FILE;
        RealWindowRig::SetUp();
    }
    void TearDown() override {
        RealWindowRig::TearDown();
        qunsetenv("CORVANE_HELP_BROWSER");
    }

    // The addresses the browser was given so far.
    std::vector<std::string> Opened() const {
        std::vector<std::string> lines;
        std::ifstream file(folder_.filePath("opened.txt").toStdString());
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
    // What `press` makes the browser open: the address, or "" when nothing is opened.
    std::string OpenedBy(const std::function<void()>& press) {
        const std::size_t before = Opened().size();
        press();
        if (!WaitFor([&] { return Opened().size() > before; })) return "";
        return Opened().back();
    }
    static std::string At(const std::string& section) {
        QUrl url = QUrl::fromLocalFile(CORVANE_HELP_FILE);
        url.setFragment(QString::fromStdString(section));
        return url.toString(QUrl::FullyEncoded).toStdString();
    }

    QTemporaryDir folder_;
};

TEST_F(HelpInRealWindows, f1OnEveryPageOfTheSheetOpensThatPagesSection) {
    EXPECT_EQ(OpenedBy([] { Key("F1"); }), At("corvane-control-centre"));

    LogInByKeyboard();
    fw::PropertySheet* sheet = Sheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(sheet->PageCount(), 9) << "the factory level carries every page";
    for (int i = 0; i < sheet->PageCount(); ++i) {
        const std::string caption(sheet->Page(i).Caption());
        SCOPED_TRACE(caption);
        GoToPage(caption);
        EXPECT_EQ(OpenedBy([] { Key("F1"); }), At(fw::HelpSectionOf(caption)));
        EXPECT_EQ(ActiveTitle(), CControlCentreDlg::kSheetCaption) << "the sheet stays active";
    }
}

TEST_F(HelpInRealWindows, helpButtonsAndF1InADialogOpenTheirWindowsSection) {
    EXPECT_EQ(OpenedBy([this] { ClickAt(*Button(MainWidget(), kHelp)); }),
              At("corvane-control-centre"));
    auto* name = MainWidget()->findChild<QLineEdit*>(QString::number(kOperatorName));
    ASSERT_NE(name, nullptr);
    ClickAt(*name);  // back to the name, to log in by keyboard: the click leaves a cursor there
    Key("ctrl+a");
    LogInByKeyboard();
    GoToPage("Setup");
    ClickAt(*Button(SheetWidget(), kSetOutput2));
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Setup Current Output 2"; })) << ActiveTitle();
    EXPECT_EQ(OpenedBy([] { Key("F1"); }), At("setup-current-output-2"));
    QWidget* dialog = QApplication::activeWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(OpenedBy([&] { ClickAt(*Button(dialog, kHelp)); }), At("setup-current-output-2"));
    Key("Escape");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == CControlCentreDlg::kSheetCaption; }));
}

}  // namespace
}  // namespace corvane::testing
