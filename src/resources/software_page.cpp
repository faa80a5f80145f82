#include "resources/software_page.h"

namespace corvane::resources {

const fw::DialogTemplate& SoftwarePageTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{
        .id = kSoftwarePage,
        .caption = "Software",
        .width = 367,
        .height = 221,
        .controls =
            {
                {.id = kSwStatusGroup, .kind = ControlKind::Group, .caption = "Software Status"},
                {.id = kSwStatusList,
                 .kind = ControlKind::ListBox,
                 .parent = kSwStatusGroup,
                 .widthChars = 36},

                {.id = kSwSystemMessagesGroup,
                 .kind = ControlKind::Group,
                 .caption = "System Messages",
                 .column = 1},
                {.id = kSwSystemMessages,
                 .kind = ControlKind::ListBox,
                 .parent = kSwSystemMessagesGroup},

                {.id = kSwInstallGroup,
                 .kind = ControlKind::Group,
                 .caption = "Select and Install Software",
                 .row = 1,
                 .columnSpan = 2},
                {.id = kSwBrowse,
                 .kind = ControlKind::Button,
                 .caption = "&Browse...",
                 .parent = kSwInstallGroup},
                {.id = kSwUpgrade,
                 .kind = ControlKind::Button,
                 .caption = "&Upgrade",
                 .parent = kSwInstallGroup,
                 .column = 1},
                {.id = kSwCancel,
                 .kind = ControlKind::Button,
                 .caption = "&Cancel",
                 .parent = kSwInstallGroup,
                 .column = 2},
                {.id = kSwPath,
                 .kind = ControlKind::Edit,
                 .parent = kSwInstallGroup,
                 .row = 1,
                 .columnSpan = 3,
                 .styles = style::kReadOnly,
                 .widthChars = 60},
                {.id = kSwProgress,
                 .kind = ControlKind::ProgressBar,
                 .parent = kSwInstallGroup,
                 .row = 2,
                 .columnSpan = 3},
            },
    };
    return t;
}

}  // namespace corvane::resources
