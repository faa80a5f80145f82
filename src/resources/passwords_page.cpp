#include "resources/passwords_page.h"

namespace corvane::resources {

const fw::DialogTemplate& PasswordsPageTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{
        .id = kPasswordsPage,
        .caption = "Passwords",
        .width = 367,
        .height = 220,
        .controls = {
            {.id = kPwdSelectGroup,
             .kind = ControlKind::Group,
             .caption = "Select The Password You Want To Change"},
            {.id = kPwdConfigure,
             .kind = ControlKind::Radio,
             .caption = "Change The Co&nfigure Sensor Password",
             .parent = kPwdSelectGroup,
             .styles = style::kGroupStart},
            {.id = kPwdCalibrate,
             .kind = ControlKind::Radio,
             .caption = "Change The Ca&librate Sensor Password",
             .parent = kPwdSelectGroup,
             .row = 1},
            {.id = kPwdInstall,
             .kind = ControlKind::Radio,
             .caption = "Change The &Install Software Password",
             .parent = kPwdSelectGroup,
             .row = 2},
            {.id = kPwdChangeGroup,
             .kind = ControlKind::Group,
             .caption = "Change Password",
             .row = 1},
            {.id = kPwdExplanation,
             .kind = ControlKind::Static,
             .caption = "Type In Your New Password        (5 Characters Minimum       16 "
                        "Characters Maximum)",
             .parent = kPwdChangeGroup,
             .columnSpan = 2},
            {.id = kPwdNewPassword,
             .kind = ControlKind::Edit,
             .parent = kPwdChangeGroup,
             .row = 1,
             .styles = style::kPassword | style::kUpperCase,
             .maxLength = 63,
             .widthChars = 24},
            {.id = kPwdChange,
             .kind = ControlKind::Button,
             .caption = "CHANGE PASSWORD",
             .parent = kPwdChangeGroup,
             .row = 1,
             .column = 1},
        }};
    return t;
}

const fw::DialogTemplate& RetypePasswordTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{.id = kRetypePasswordDialog,
                                      .caption = "Retype Your New Password",
                                      .width = 186,
                                      .height = 95,
                                      .controls = {
                                          {.id = kRetypePassword,
                                           .kind = ControlKind::Edit,
                                           .columnSpan = 2,
                                           .styles = style::kPassword | style::kUpperCase,
                                           .maxLength = 63,
                                           .widthChars = 24},
                                          {.id = kOk,
                                           .kind = ControlKind::Button,
                                           .caption = "OK",
                                           .row = 1,
                                           .styles = style::kDefaultButton},
                                          {.id = kCancel,
                                           .kind = ControlKind::Button,
                                           .caption = "Cancel",
                                           .row = 1,
                                           .column = 1},
                                      }};
    return t;
}

}  // namespace corvane::resources
