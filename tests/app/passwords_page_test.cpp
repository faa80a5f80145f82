#include "app/passwords_page.h"

#include <string>

#include "resources/passwords_page.h"
#include "sheet_test_rig.h"

namespace corvane {
namespace {

using fw::Answer;
using namespace ids;

class PasswordsPage : public testing::SheetRig {
  protected:
    // Logs in afresh with `password` and opens the Passwords page.
    void LogInWith(const std::string& password) {
        if (Sheet() != nullptr) {
            Sheet()->PressCancel();
            rig.Settle();
        }
        rig.LogIn("A. Fitter", password);
        ASSERT_NE(Sheet(), nullptr);
        page = &Open("Passwords");
    }

    fw::Dialog* RetypeDialog() {
        const auto& open = rig.host.OpenDialogs();
        return open.empty() || open.back()->Template().id != kRetypePasswordDialog ? nullptr
                                                                                   : open.back();
    }

    // Types `first` on the page, presses "CHANGE PASSWORD", types `second` in the retype
    // dialog and closes it with OK (or Cancel).
    void Change(const std::string& first, const std::string& second, bool ok = true) {
        page->UserType(kPwdNewPassword, first);
        page->UserClick(kPwdChange);
        rig.Settle();
        fw::Dialog* retype = RetypeDialog();
        ASSERT_NE(retype, nullptr) << "the retype dialog is open";
        retype->Controls().UserType(kRetypePassword, second);
        retype->Controls().UserClick(ok ? kOk : kCancel);
        rig.Settle();
        EXPECT_EQ(RetypeDialog(), nullptr) << "the retype dialog has closed";
    }

    fw::WindowModel* page = nullptr;
};

TEST_F(PasswordsPage, eachLevelMayChangeThePasswordsUpToItsOwnWithItsOwnPreselected) {
    struct Row {
        const char* password;
        bool configure, calibrate, install;
        int checked;
    };
    for (const Row& row :
         {Row{"1", true, false, false, kPwdConfigure}, Row{"2", true, true, false, kPwdCalibrate},
          Row{"3", true, true, true, kPwdInstall}, Row{"K425TRM", true, true, true, kPwdInstall}}) {
        SCOPED_TRACE(row.password);
        LogInWith(row.password);
        EXPECT_EQ(page->IsEnabled(kPwdConfigure), row.configure);
        EXPECT_EQ(page->IsEnabled(kPwdCalibrate), row.calibrate);
        EXPECT_EQ(page->IsEnabled(kPwdInstall), row.install);
        for (const int radio : {kPwdConfigure, kPwdCalibrate, kPwdInstall}) {
            EXPECT_EQ(page->Check(radio), radio == row.checked ? 1 : 0);
        }
        EXPECT_FALSE(page->IsEnabled(kPwdChange)) << "enabled only once something is typed";
        EXPECT_EQ(page->Text(kPwdNewPassword), "");
    }
}

TEST_F(PasswordsPage, calibratePasswordSetToTheConfigureTextLogsThatTextInAtLevelFour) {
    LogInWith("2");
    Change("1", "1");
    EXPECT_EQ(rig.Records().CalibratePassword, "1");
    EXPECT_EQ(LastBox().box.text, "CALIBRATE PASSWORD ACCEPTED.");
    EXPECT_EQ(LastBox().box.caption, "Change Password");
    EXPECT_EQ(LastBox().box.icon, fw::Icon::Information);
    EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Error);
    EXPECT_EQ(page->Text(kPwdNewPassword), "") << "the field is emptied for the next change";

    LogInWith("1");
    EXPECT_EQ(rig.Records().AccessLevel, 4);
    EXPECT_EQ(rig.host.Boxes()[rig.host.Boxes().size() - 1].box.text, "Level 2 Access Granted");
}

TEST_F(PasswordsPage, theChosenRadioDecidesWhichPasswordIsStoredAndTypingIsUpperCase) {
    LogInWith("K425TRM");
    page->UserClick(kPwdConfigure);
    Change("new-pass", "NEW-PASS");
    EXPECT_EQ(rig.Records().ConfigurePassword, "NEW-PASS");
    EXPECT_EQ(LastBox().box.text, "CONFIGURE PASSWORD ACCEPTED.");
    EXPECT_EQ(rig.Records().InstallPassword, "3");

    page->UserClick(kPwdInstall);
    const std::string longest(CPasswordsPage::kPasswordLimit, 'Z');
    Change(longest + "Z", longest + "Z");  // the edits take no more than 63 characters
    EXPECT_EQ(rig.Records().InstallPassword, longest);
    EXPECT_EQ(LastBox().box.text, "INSTALL PASSWORD ACCEPTED.");

    Change("X", "X");  // one character is enough
    EXPECT_EQ(rig.Records().InstallPassword, "X");
}

TEST_F(PasswordsPage, differentOrCancelledRetypingStoresNothingAndEmptiesTheField) {
    LogInWith("3");
    Change("ABCDE", "ABCDF");
    EXPECT_EQ(rig.Records().InstallPassword, "3");
    EXPECT_EQ(LastBox().box.text, "PASSWORDS DIFFERENT,   PLEASE TRY AGAIN.");
    EXPECT_EQ(LastBox().box.icon, fw::Icon::Stop);
    EXPECT_EQ(page->Text(kPwdNewPassword), "");

    const std::size_t boxes = rig.host.Boxes().size();
    Change("ABCDE", "ABCDE", /*ok=*/false);
    EXPECT_EQ(rig.Records().InstallPassword, "3");
    EXPECT_EQ(rig.host.Boxes().size(), boxes) << "Cancel says nothing";
    EXPECT_EQ(page->Text(kPwdNewPassword), "") << "Cancel still empties the field";

    // The button stays enabled; pressed with the field empty it refuses.
    EXPECT_TRUE(page->IsEnabled(kPwdChange));
    page->UserClick(kPwdChange);
    rig.Settle();
    EXPECT_EQ(RetypeDialog(), nullptr);
    EXPECT_EQ(LastBox().box.text, "EMPTY PASSWORD NOT ALLOWED,   PLEASE TRY AGAIN");
    EXPECT_EQ(LastBox().box.caption, "Error In Password");
    EXPECT_EQ(rig.host.Beeps().back(), fw::Beep::Exclamation);
}

// What the state file would be given when the main window is destroyed.
class SavedPasswords : public StateStore {
  public:
    bool Load(SharedRecords&) override { return false; }
    void Save(const SharedRecords& records) override { saved = records.ConfigurePassword; }
    std::string saved;
};

TEST(PasswordsPageState, aNewPasswordReachesTheStateFileWhenTheTitleBarClosesTheProgram) {
    SavedPasswords store;
    {
        testing::AppRig rig(&store);
        ASSERT_TRUE(rig.Start());
        rig.LogIn("A. Fitter", "1");
        fw::PropertySheet* sheet = rig.Window().Sheet();
        ASSERT_NE(sheet, nullptr);
        for (int i = 0; i < sheet->PageCount(); ++i) {
            if (sheet->Page(i).Caption() == "Passwords") {
                ASSERT_TRUE(sheet->SetActivePage(i));
            }
        }
        ASSERT_EQ(sheet->ActivePage().Caption(), "Passwords");
        fw::WindowModel& page = sheet->ActivePage().Controls();
        page.UserType(kPwdNewPassword, "plant7");
        page.UserClick(kPwdChange);
        rig.Settle();
        rig.host.OpenDialogs().back()->Controls().UserType(kRetypePassword, "PLANT7");
        rig.host.OpenDialogs().back()->Controls().UserClick(kOk);
        rig.Settle();
        sheet->PressCancel();
        rig.Settle();
        rig.Window().PressCloseBox();
        rig.Settle();
        EXPECT_TRUE(rig.exited);
    }
    EXPECT_EQ(store.saved, "PLANT7");
}

}  // namespace
}  // namespace corvane
