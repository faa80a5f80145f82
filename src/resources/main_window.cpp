#include "resources/main_window.h"

namespace corvane::resources {

const fw::DialogTemplate& MainWindowTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{
        .id = kMainWindow,
        .caption = "Corvane Control Centre",
        .width = 382,
        .height = 266,
        .controls =
            {
                {.id = kOperatorGroup,
                 .kind = ControlKind::Group,
                 .caption = "Operator Information",
                 .rowSpan = 4},
                {.id = kOperatorNameLabel,
                 .kind = ControlKind::Static,
                 .caption = "Operator Name",
                 .parent = kOperatorGroup},
                {.id = kOperatorName,
                 .kind = ControlKind::Edit,
                 .parent = kOperatorGroup,
                 .column = 1,
                 .styles = style::kUpperCase,
                 .maxLength = 32},
                {.id = kPasswordLabel,
                 .kind = ControlKind::Static,
                 .caption = "Enter Password",
                 .parent = kOperatorGroup,
                 .row = 1},
                {.id = kPassword,
                 .kind = ControlKind::Edit,
                 .parent = kOperatorGroup,
                 .row = 1,
                 .column = 1,
                 .styles = style::kPassword | style::kUpperCase,
                 .maxLength = 32},
                {.id = kOk,
                 .kind = ControlKind::Button,
                 .caption = "&OK",
                 .column = 1,
                 .styles = style::kDefaultButton},
                {.id = kHelp,
                 .kind = ControlKind::Button,
                 .caption = "&Help",
                 .row = 1,
                 .column = 1},
                {.id = kVersion,
                 .kind = ControlKind::Button,
                 .caption = "&Version",
                 .row = 2,
                 .column = 1},
                {.id = kExit,
                 .kind = ControlKind::Button,
                 .caption = "&Exit",
                 .row = 3,
                 .column = 1},
                {.id = kSystemMessagesGroup,
                 .kind = ControlKind::Group,
                 .caption = "System Messages",
                 .row = 4,
                 .columnSpan = 2},
                {.id = kMainSystemMessages,
                 .kind = ControlKind::ListBox,
                 .parent = kSystemMessagesGroup},
                {.id = kConfigurationGroup,
                 .kind = ControlKind::Group,
                 .caption = "Configuration",
                 .row = 5,
                 .columnSpan = 2},
                {.id = kMainConfiguration,
                 .kind = ControlKind::ListBox,
                 .parent = kConfigurationGroup,
                 .widthChars = 100},
            },
    };
    return t;
}

}  // namespace corvane::resources
