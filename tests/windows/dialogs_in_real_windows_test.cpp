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
#include "resources/comms_page.h"
#include "resources/main_window.h"
#include "resources/passwords_page.h"
#include "resources/save_config_dialog.h"
#include "resources/setup_output_dialogs.h"
#include "resources/setup_page.h"
#include "sim/setup_memory.h"
#include "sim/virtual_sensor.h"

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

    sim::VirtualSensor neighbour_{5};  // on the line for the tests that attach it
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
    Key("alt+y");  // Yes: No is the default
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

// With no setup read from this sensor the write says so, and Enter answers No: the program's
// defaults never replace the sensor's setup by a key pressed without reading.
TEST_F(DialogsInRealWindows, writeWithNoSetupReadAsksWithNoAsDefaultAndEnterSendsNothing) {
    LogInByKeyboard();
    GoToPage("Setup");
    const std::size_t from = Line().Written().size();
    Key("alt+w");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Sensor Setup Erase/Write Request !"; }));
    auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(question, nullptr);
    EXPECT_NE(question->text().indexOf("Not Read From This Sensor"), -1)
        << question->text().toStdString();
    Key("Return");
    ASSERT_TRUE(WaitFor([] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box != nullptr && box->text() == "Sensor Setup Overwrite Cancelled !";
    })) << ActiveTitle();
    Key("Return");
    Pump(1500);
    EXPECT_TRUE(Sent(fn::kTempSetup, from).empty());
    EXPECT_TRUE(Sent(fn::kPlantNumber, from).empty());
}

// The Plant / Tag No box holds what the sensor keeps: 14 characters typed leave 10 on screen,
// and a tag typed but not applied is written as shown.
TEST_F(DialogsInRealWindows, aTagTypedLongAndNotAppliedIsWrittenAsTheBoxShowsIt) {
    LogInByKeyboard();
    GoToPage("Setup");
    Key("alt+r");  // "&Read ZK571 Setup"
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Read Sensor Setup Request !"; }));
    Key("Return");
    ASSERT_TRUE(WaitFor([this] { return SetupReadFromConnectedSensor(Records()); }, 15000));
    ASSERT_TRUE(WaitFor(SheetIsActive)) << ActiveTitle();
    const QString shownTag = QString::number(kSetPlantNumber);
    ASSERT_TRUE(WaitFor([&] {
        auto* box = SheetWidget()->findChild<QLineEdit*>(shownTag);
        return box != nullptr && box->text().toStdString() == Records().Sensor.PlantNumber;
    })) << "the page shows the tag read";
    Key("shift+Tab");  // off the box should the page have put the cursor there, then back
    TabTo(kSetPlantNumber);
    TypeText("TANK-12-OUTLET");
    auto* tag = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->text().toStdString(), "TANK-12-OU");

    const std::size_t from = Line().Written().size();
    Key("alt+w");
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Sensor Setup Erase/Write Request !"; }));
    Key("alt+y");
    ASSERT_TRUE(WaitFor([this, from] { return !Sent(fn::kPlantNumber, from).empty(); }, 15000));
    const auto written = Sent(fn::kPlantNumber, from).front();
    EXPECT_EQ(std::string(written.begin(), written.end()), "TANK-12-OU");
    EXPECT_EQ(tag->text().toStdString(), "TANK-12-OU");
}

// An address another device answers at is refused with a box, and the change never goes out.
TEST_F(DialogsInRealWindows, changeSensorAddressOntoATakenAddressIsRefusedAndNothingIsSent) {
    Line().Attach(neighbour_);
    LogInByKeyboard();
    GoToPage("Communications");
    TabTo(kComSelectId);
    TypeText("5");
    const std::size_t from = Line().Written().size();
    Key("alt+c");  // "&Change Sensor Address"
    ASSERT_TRUE(WaitFor([] { return ActiveTitle() == "Sensor Address Change Refused !"; }, 8000))
        << ActiveTitle();
    Key("Return");
    ASSERT_TRUE(WaitFor(SheetIsActive)) << ActiveTitle();
    Pump(1000);
    EXPECT_TRUE(Sent(fn::kChangeAddress, from).empty());
    EXPECT_EQ(sensor_.Address(), 0);
    EXPECT_EQ(Records().Sensor.DeviceId, 0);
}

// The login's start text is selected as the window opens: typing replaces it.
TEST_F(DialogsInRealWindows, typingAtTheLoginReplacesTheStartText) {
    TypeText("jo tech");
    auto* name = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text().toStdString(), "JO TECH");
    EXPECT_EQ(Records().OperatorName, "JO TECH");
}

}  // namespace
}  // namespace corvane::testing
