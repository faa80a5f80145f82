#include "resources/about_box.h"

namespace corvane::resources {

const fw::DialogTemplate& AboutTemplate() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const fw::DialogTemplate t{
        .id = kAboutDialog,
        .caption = "About Corvane Control Centre",
        .width = 197,
        .height = 98,
        .controls =
            {
                {.id = kAboutIcon, .kind = ControlKind::Icon, .rowSpan = 4},
                {.id = kAboutTitle,
                 .kind = ControlKind::Static,
                 .caption = "Corvane Control Centre",
                 .column = 1},
                {.id = kAboutVersion,
                 .kind = ControlKind::Static,
                 .caption = "Release Version 2.2",
                 .row = 1,
                 .column = 1},
                {.id = kAboutDate,
                 .kind = ControlKind::Static,
                 .caption = "Release Date 25/04/2002",
                 .row = 2,
                 .column = 1},
                {.id = kAboutMaker,
                 .kind = ControlKind::Static,
                 .caption = "Made by Corvane Instruments for Vexor sensors",
                 .row = 3,
                 .column = 1},
                {.id = kAboutUpdates,
                 .kind = ControlKind::Static,
                 .caption = "Updates are published on the Corvane service portal",
                 .row = 4,
                 .column = 1},
                {.id = kOk,
                 .kind = ControlKind::Button,
                 .caption = "OK",
                 .column = 2,
                 .styles = style::kDefaultButton},
            },
    };
    return t;
}

}  // namespace corvane::resources
