#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Passwords page, where the operator replaces a user password, and the dialog in which the
// new password is typed a second time.
namespace corvane::ids {

inline constexpr int kPasswordsPage = 152;
inline constexpr int kRetypePasswordDialog = 162;

// Passwords page.
inline constexpr int kPwdSelectGroup = 1155;
inline constexpr int kPwdConfigure = 1128;  // first of the radio group, index 0
inline constexpr int kPwdCalibrate = 1129;  // index 1
inline constexpr int kPwdInstall = 1154;    // index 2
inline constexpr int kPwdChangeGroup = 1104;
inline constexpr int kPwdExplanation = 1106;
inline constexpr int kPwdNewPassword = 1105;
inline constexpr int kPwdChange = 1103;

// Retype dialog.
inline constexpr int kRetypePassword = 1279;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& PasswordsPageTemplate();
const fw::DialogTemplate& RetypePasswordTemplate();
}  // namespace corvane::resources
