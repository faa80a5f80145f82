#pragma once

#include <string>

#include "framework/dialog.h"
#include "page_kit/operator_page.h"

namespace corvane {

// The change being made on the Passwords page: which user password (0 configure, 1 calibrate,
// 2 install, -1 none chosen), the new text as typed on the page, and the text typed again.
struct PasswordChange {
    int choice = -1;
    std::string newPassword;
    std::string retyped;
};

// "Retype Your New Password": the second typing of a new user password. OK stores the password
// when both typings agree and says which one was changed; Cancel changes nothing.
class CRetypePasswordDlg : public fw::Dialog {
  public:
    CRetypePasswordDlg(fw::Host& host, SharedRecords& records, PasswordChange& change);

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnNotify(int id, fw::Notify notify) override;
    void OnOK() override;
    void OnCancel() override;

  private:
    SharedRecords& records_;
    PasswordChange& change_;
    std::string retyped_;
};

// The Passwords page: replaces one of the three user passwords with a text typed twice. Each
// access level may change the passwords up to its own. The page talks to no sensor and has no
// refresh timer; a new password lives in memory and reaches the disk with the state file.
class CPasswordsPage : public OperatorPage {
  public:
    static constexpr int kPasswordLimit = 63;

    CPasswordsPage(fw::Host& host, SharedRecords& records);

    std::vector<fw::Dialog*> OwnedDialogs() override { return {&retype_}; }

  protected:
    void DoDataExchange(fw::DataExchange& dx) override;
    void InitialiseFields() override;
    void OnNotify(int id, fw::Notify notify) override;
    // Enter in the new password's field leaves the focus there.
    void OnOK() override {}

  private:
    void ChangePassword();

    PasswordChange change_;
    CRetypePasswordDlg retype_;
    std::string newPassword_;
    int selected_ = -1;
};

}  // namespace corvane
