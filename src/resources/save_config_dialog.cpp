#include "resources/save_config_dialog.h"

namespace corvane::resources {

const fw::DialogTemplate& SaveConfigTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{.id = kSaveConfigDialog,
                                      .caption = "Save Current Configuration ?",
                                      .width = 197,
                                      .height = 106,
                                      .controls = {
                                          {.id = kOk,
                                           .kind = ControlKind::Button,
                                           .caption = "&Yes, Browse for Folder ",
                                           .styles = style::kDefaultButton,
                                           .widthChars = 32},
                                          {.id = kSaveReturnToProgramme,
                                           .kind = ControlKind::Button,
                                           .caption = "&Cancel and Return to Programme",
                                           .row = 1,
                                           .widthChars = 32},
                                          {.id = kCancel,
                                           .kind = ControlKind::Button,
                                           .caption = "&No, Exit without Save",
                                           .row = 2,
                                           .widthChars = 32},
                                      }};
    return t;
}

}  // namespace corvane::resources
