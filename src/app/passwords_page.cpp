#include "app/passwords_page.h"

#include <array>

#include "framework/exchange_fields.h"
#include "link/shared_records.h"
#include "resources/passwords_page.h"

namespace corvane {
namespace {

constexpr const char* kChangeCaption = "Change Password";

// The radio buttons by the password they choose, and the lowest access level that may change it.
struct PasswordRadio {
    int id;
    int lowestLevel;
};
constexpr std::array<PasswordRadio, 3> kRadios = {{
    {ids::kPwdConfigure, 3},
    {ids::kPwdCalibrate, 4},
    {ids::kPwdInstall, 5},
}};

}  // namespace

CRetypePasswordDlg::CRetypePasswordDlg(fw::Host& host, SharedRecords& records,
                                       PasswordChange& change)
    : Dialog(host, resources::RetypePasswordTemplate()), records_(records), change_(change) {}

void CRetypePasswordDlg::DoDataExchange(fw::DataExchange& dx) {
    fw::TextField(dx, ids::kRetypePassword, retyped_, CPasswordsPage::kPasswordLimit);
}

bool CRetypePasswordDlg::OnInitDialog() {
    retyped_.clear();
    change_.retyped.clear();
    UpdateData(false);
    return true;
}

void CRetypePasswordDlg::OnNotify(int id, fw::Notify notify) {
    if (notify == fw::Notify::TextChanged && id == ids::kRetypePassword) {
        UpdateData(true);
        change_.retyped = retyped_;
    }
}

void CRetypePasswordDlg::OnOK() {
    std::string text;
    fw::Icon icon = fw::Icon::Stop;
    if (change_.newPassword != change_.retyped) {
        text = "PASSWORDS DIFFERENT,   PLEASE TRY AGAIN.";
    } else if (change_.choice == 0) {
        records_.ConfigurePassword = change_.newPassword;
        text = "CONFIGURE PASSWORD ACCEPTED.";
        icon = fw::Icon::Information;
    } else if (change_.choice == 1) {
        records_.CalibratePassword = change_.newPassword;
        text = "CALIBRATE PASSWORD ACCEPTED.";
        icon = fw::Icon::Information;
    } else if (change_.choice == 2) {
        records_.InstallPassword = change_.newPassword;
        text = "INSTALL PASSWORD ACCEPTED.";
        icon = fw::Icon::Information;
    } else {
        text = "PASSWORD ERROR,   PLEASE TRY AGAIN.";
    }
    host_.PlayBeep(fw::Beep::Error);
    host_.PostBox({text, kChangeCaption, icon, fw::Buttons::Ok}, [](fw::Answer) {});
    retyped_.clear();
    change_.retyped.clear();
    EndDialog(fw::kIdOk);
}

void CRetypePasswordDlg::OnCancel() {
    EndDialog(fw::kIdCancel);
}

CPasswordsPage::CPasswordsPage(fw::Host& host, SharedRecords& records)
    : OperatorPage(host, records, resources::PasswordsPageTemplate(), 0, 0),
      retype_(host, records, change_) {}

void CPasswordsPage::DoDataExchange(fw::DataExchange& dx) {
    fw::TextField(dx, ids::kPwdNewPassword, newPassword_, kPasswordLimit);
    dx.Radio(ids::kPwdConfigure, selected_);
}

// The kit has already cleared the exit prompt's mark; the fields are shown after this.
void CPasswordsPage::InitialiseFields() {
    newPassword_.clear();
    change_.newPassword.clear();

    fw::WindowModel& c = Controls();
    c.Enable(ids::kPwdExplanation, true);
    c.Enable(ids::kPwdNewPassword, true);
    c.Enable(ids::kPwdChange, false);  // until something is typed

    // Each level may change the passwords up to its own; the highest of them is preselected.
    const int level = records_.AccessLevel;
    if (level >= 3 && level <= 6) {
        selected_ = -1;
        for (std::size_t i = 0; i < kRadios.size(); ++i) {
            const bool allowed = level >= kRadios[i].lowestLevel;
            c.Enable(kRadios[i].id, allowed);
            if (allowed) selected_ = static_cast<int>(i);
        }
        change_.choice = selected_;
    }
}

void CPasswordsPage::OnNotify(int id, fw::Notify notify) {
    if (notify == fw::Notify::TextChanged && id == ids::kPwdNewPassword) {
        Controls().Enable(ids::kPwdChange, true);
        UpdateData(true);
        change_.newPassword = newPassword_;
    } else if (notify == fw::Notify::Clicked &&
               (id == ids::kPwdConfigure || id == ids::kPwdCalibrate || id == ids::kPwdInstall)) {
        UpdateData(true);
        change_.choice = selected_;
        UpdateData(false);
    } else if (notify == fw::Notify::Clicked && id == ids::kPwdChange) {
        ChangePassword();
    }
}

void CPasswordsPage::ChangePassword() {
    if (newPassword_.empty()) {
        host_.PlayBeep(fw::Beep::Exclamation);
        MessageBox("EMPTY PASSWORD NOT ALLOWED,   PLEASE TRY AGAIN", "Error In Password",
                   fw::Icon::Stop, fw::Buttons::Ok);
        UpdateData(false);
        return;
    }
    // Whichever button closes the retype dialog, the operator starts the next change afresh.
    retype_.DoModal(
        [this](int) {
            newPassword_.clear();
            change_.newPassword.clear();
            if (IsOpen()) UpdateData(false);
        },
        View());
}

}  // namespace corvane
