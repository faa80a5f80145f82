// The desktop program in real windows on an X server with a window manager, driven by keys and
// clicks through the X server: what is on top, what is active, what Enter presses, and what
// reaches the sensor.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include "framework/property_sheet.h"
#include "link/command_table.h"
#include "page_kit/operator_page.h"
#include "real_window_rig.h"
#include "resources/main_window.h"
#include "resources/passwords_page.h"
#include "resources/save_config_dialog.h"
#include "resources/setup_output_dialogs.h"
#include "resources/setup_page.h"
#include "sim/setup_memory.h"

namespace corvane::testing {
namespace {

using namespace ids;

// The window that is modal now, when it is also the active one: the window a technician can
// type into.
QWidget* ActiveModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal == QApplication::activeWindow() ? modal : nullptr;
}

bool SheetIsActive() {
    return ActiveTitle() == CControlCentreDlg::kSheetCaption;
}

QLineEdit* FirstEnabledEdit(QWidget* window) {
    for (auto* edit : window->findChildren<QLineEdit*>()) {
        if (edit->isEnabled() && edit->isVisible() && !edit->isReadOnly()) return edit;
    }
    return nullptr;
}

class DialogsInRealWindows : public RealWindowRig {
  protected:
    // Presses Tab until control `id` of the active window has the focus.
    static void TabTo(int id) {
        const QString name = QString::number(id);
        for (int presses = 0; presses < 25; ++presses) {
            QWidget* focus = QApplication::focusWidget();
            if (focus != nullptr && focus->objectName() == name) return;
            Key("Tab");
        }
        FAIL() << "Tab never reaches control " << id;
    }
};

// Each dialog of the Setup page, opened with a click on its button: it comes up on top of the
// sheet, active, takes what is typed into it, and Escape, Cancel and OK each bring the sheet
// back, active.
TEST_F(DialogsInRealWindows, setupDialogsComeUpActiveOnTopOfTheSheetAndReturnToIt) {
    LogInByKeyboard();
    GoToPage("Setup");
    for (const int opener : {kSetOutput1, kSetOutput2, kSetDigital, kSetCustomRange}) {
        SCOPED_TRACE("button " + std::to_string(opener));
        for (const char* closing : {"Escape", "Cancel", "OK"}) {
            SCOPED_TRACE(closing);
            QPushButton* button = Button(SheetWidget(), opener);
            ASSERT_NE(button, nullptr);
            ClickAt(*button);
            ASSERT_TRUE(WaitFor([] { return ActiveModalWindow() != nullptr && !SheetIsActive(); }))
                << "active: " << ActiveTitle();
            QWidget* dialog = ActiveModalWindow();
            EXPECT_EQ(
                dialog->parentWidget() != nullptr ? dialog->parentWidget()->window() : nullptr,
                SheetWidget())
                << "the dialog sits on the sheet";
            if (std::string(closing) == "Escape") {
                if (QLineEdit* edit = FirstEnabledEdit(dialog)) {
                    ClickAt(*edit);
                    Key("ctrl+a");
                    TypeText("7");
                    EXPECT_EQ(edit->text(), "7") << "typed input reaches the dialog";
                }
                Key("Escape");
            } else {
                QPushButton* close = Button(dialog, std::string(closing) == "OK" ? kOk : kCancel);
                ASSERT_NE(close, nullptr);
                ClickAt(*close);
            }
            ASSERT_TRUE(WaitFor(SheetIsActive)) << "active: " << ActiveTitle();
        }
    }
}

// The password change by keyboard, and Enter on the retype dialog's Cancel cancels (the change
// is not made) and leaves the program running.
TEST_F(DialogsInRealWindows, passwordChangeByKeyboardAndEnterOnCancelCancels) {
    LogInByKeyboard();
    GoToPage("Passwords");
    const std::string before = Records().InstallPassword;

    QWidget* sheet = SheetWidget();
    auto* edit = sheet->findChild<QLineEdit*>(QString::number(kPwdNewPassword));
    ASSERT_NE(edit, nullptr);
    ClickAt(*edit);
    TypeText("vexor1");
    Key("Tab");  // to "CHANGE PASSWORD"
    Key("Return");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Retype Your New Password"; }))
        << ActiveTitle();
    Keys({"Tab", "Tab", "Return"});  // Cancel has the focus
    ASSERT_TRUE(WaitFor(SheetIsActive)) << ActiveTitle();
    EXPECT_EQ(Records().InstallPassword, before);

    ClickAt(*edit);
    TypeText("vexor1");
    Keys({"Tab", "Return"});
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Retype Your New Password"; }));
    TypeText("vexor1");
    Key("Return");  // the focus is in the edit: OK
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Change Password"; })) << ActiveTitle();
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "INSTALL PASSWORD ACCEPTED.");
    Key("space");
    ASSERT_TRUE(WaitFor(SheetIsActive)) << ActiveTitle();
    EXPECT_NE(Records().InstallPassword, before);
    EXPECT_FALSE(exited_);
}

// The exit prompt's buttons by keyboard: Enter and Space press the button that has the focus,
// never the default one in its place.
class ExitPromptByKeyboard : public RealWindowRig {
  protected:
    void OpenPrompt() {
        ASSERT_TRUE(WaitFor([] { return ActiveTitle() == CControlCentreDlg::kTitle; }));
        Key("alt+e");
        ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Save Current Configuration ?"; }))
            << ActiveTitle();
    }
};

TEST_F(ExitPromptByKeyboard, cancelAndReturnToProgrammeReturnsByEnterAndBySpace) {
    for (const char* press : {"Return", "space"}) {
        OpenPrompt();
        Keys({"Tab", press});
        ASSERT_TRUE(WaitFor([] { return ActiveTitle() == CControlCentreDlg::kTitle; }))
            << press << ": " << ActiveTitle();
        Pump(300);
        EXPECT_FALSE(exited_) << press;
    }
}

TEST_F(ExitPromptByKeyboard, noExitWithoutSaveEndsTheProgramWithoutAFileDialog) {
    OpenPrompt();
    Keys({"Tab", "Tab", "Return"});
    EXPECT_TRUE(WaitFor([this] { return exited_; })) << ActiveTitle();
    Pump(500);  // the closed windows' widgets go; none of them may reach a model that has gone
}

TEST_F(ExitPromptByKeyboard, yesOpensTheSaveDialogAndEscapeThereLeavesNoWindowBehind) {
    OpenPrompt();
    Key("space");  // the default button has the focus
    ASSERT_TRUE(WaitFor([] {
        return ActiveModalWindow() != nullptr &&
               qobject_cast<QMessageBox*>(ActiveModalWindow()) == nullptr &&
               ActiveTitle() != "Save Current Configuration ?";
    })) << ActiveTitle();
    Key("Escape");
    EXPECT_TRUE(WaitFor([this] { return exited_; })) << ActiveTitle();
    Pump(500);
}

// The sheet's Apply, pressed on each page in view, leaves that page refreshing.
TEST_F(DialogsInRealWindows, applyKeepsThePageInViewRefreshing) {
    LogInByKeyboard();
    fw::PropertySheet& sheet = *Sheet();
    for (int i = 0; i < sheet.PageCount(); ++i) {
        GoToPage(sheet.Page(i).Caption());
        auto* page = dynamic_cast<OperatorPage*>(&sheet.Page(i));
        if (page == nullptr || page->RefreshTimerId() == 0) continue;
        SCOPED_TRACE(std::string(page->Caption()));
        ASSERT_TRUE(page->TimerRunning(page->RefreshTimerId()));
        page->SetModified();
        QPushButton* apply = nullptr;
        for (auto* button : SheetWidget()->findChildren<QPushButton*>()) {
            if (button->text() == "&Apply") apply = button;
        }
        ASSERT_NE(apply, nullptr);
        ASSERT_TRUE(WaitFor([apply] { return apply->isEnabled(); }));
        ClickAt(*apply);
        ASSERT_TRUE(WaitFor([&sheet] { return !sheet.ActivePage().Modified(); }));
        EXPECT_EQ(sheet.ActiveIndex(), i);
        EXPECT_TRUE(page->TimerRunning(page->RefreshTimerId()));
    }
}

// A job done by keyboard alone, checked at the sensor: Current Output 1's 20 mA value changed,
// applied, and the whole setup written.
TEST_F(DialogsInRealWindows, keyboardOnlySetupWriteReachesTheSensor) {
    LogInByKeyboard();
    GoToPage("Setup");
    Key("alt+e");  // "S&etup Output 1"
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Setup Current Output 1"; })) << ActiveTitle();
    TabTo(resources::kOutput1DialogIds.at20mA);
    Key("ctrl+a");
    TypeText("1500");
    TabTo(resources::kOutput1DialogIds.apply);
    Key("Return");  // the dialog's Apply
    TabTo(kOk);
    Key("Return");
    ASSERT_TRUE(WaitFor(SheetIsActive)) << ActiveTitle();
    EXPECT_EQ(Records().Sensor.Out1.At20mA, 1500.0);

    const std::size_t from = Line().Written().size();
    Key("alt+w");  // "&Write ZK571 Setup"
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Sensor Setup Erase/Write Request !"; }))
        << ActiveTitle();
    Key("Return");  // Yes, the default
    ASSERT_TRUE(WaitFor([this, from] { return !Sent(fn::kCustomText2, from).empty(); }, 15000));
    // The sensor keeps the 20 mA value in tenths.
    EXPECT_EQ(sensor_.Memory().Word(sim::SetupMemory::Offset::Out1Range + 2), 15000);
}

// Enter in an output's value moves on to the next value with its text selected, so a table is
// typed value after value without running into the old numbers.
TEST_F(DialogsInRealWindows, enterMovesToTheNextValueWithItsTextSelected) {
    LogInByKeyboard();
    GoToPage("Setup");
    Key("alt+e");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Setup Current Output 1"; }));
    TabTo(resources::kOutput1DialogIds.at4mA);
    Key("ctrl+a");
    TypeText("2");
    Key("Return");
    const QString next = QString::number(resources::kOutput1DialogIds.at20mA);
    ASSERT_TRUE(WaitFor([&next] {
        return QApplication::focusWidget() != nullptr &&
               QApplication::focusWidget()->objectName() == next;
    }));
    TypeText("1500");
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text().toStdString(), "1500");
    Key("Escape");
}

// In a question box Enter presses the button that has the focus.
TEST_F(DialogsInRealWindows, enterOnAQuestionsNoButtonAnswersNo) {
    LogInByKeyboard();
    GoToPage("Setup");
    const std::size_t from = Line().Written().size();
    Key("alt+w");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Sensor Setup Erase/Write Request !"; }));
    Keys({"Tab", "Return"});  // from Yes to No
    ASSERT_TRUE(WaitFor([] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box != nullptr && box->text() == "Sensor Setup Overwrite Cancelled !";
    })) << ActiveTitle();
    Key("Return");
    Pump(1000);
    EXPECT_TRUE(Sent(fn::kTempSetup, from).empty());
}

}  // namespace
}  // namespace corvane::testing
