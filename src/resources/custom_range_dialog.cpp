#include "resources/custom_range_dialog.h"

#include <string>

namespace corvane::resources {
namespace {

std::vector<fw::ControlTemplate> CustomRangeControls() {
    using fw::ControlKind;
    namespace style = fw::style;
    using namespace ids;
    static const std::array<std::string, 9> pointLabels = [] {
        std::array<std::string, 9> labels;
        for (std::size_t k = 0; k < labels.size(); ++k) {
            labels[k] = "Custom Range Point " + std::to_string(k + 1);
        }
        return labels;
    }();
    std::vector<fw::ControlTemplate> controls = {
        {.id = kCusPointsGroup,
         .kind = ControlKind::Group,
         .caption = "Setup Custom Range Points",
         .rowSpan = 3},
        {.id = kCusConcentrationHeading,
         .kind = ControlKind::Static,
         .caption = "Concentration (% wt/vol)",
         .parent = kCusPointsGroup,
         .column = 1},
        {.id = kCusConductivityHeading,
         .kind = ControlKind::Static,
         .caption = "Conductivity (mS/cm)",
         .parent = kCusPointsGroup,
         .column = 2},
    };
    for (std::size_t k = 0; k < 9; ++k) {
        const int row = static_cast<int>(k) + 1;
        controls.push_back({.id = kCusPointLabel[k],
                            .kind = ControlKind::Static,
                            .caption = pointLabels[k],
                            .parent = kCusPointsGroup,
                            .row = row});
        controls.push_back({.id = kCusConcentration[k],
                            .kind = ControlKind::Edit,
                            .parent = kCusPointsGroup,
                            .row = row,
                            .column = 1,
                            .widthChars = 10});
        controls.push_back({.id = kCusConductivity[k],
                            .kind = ControlKind::Edit,
                            .parent = kCusPointsGroup,
                            .row = row,
                            .column = 2,
                            .widthChars = 10});
    }
    const std::vector<fw::ControlTemplate> rest = {
        {.id = kCusZeroNote,
         .kind = ControlKind::Static,
         .caption = "If Point 1 is not 0,0 a point at 0,0 is added as required.",
         .parent = kCusPointsGroup,
         .row = 10,
         .columnSpan = 3},
        {.id = kCusCountGroup,
         .kind = ControlKind::Group,
         .caption = "Number of Points",
         .column = 1},
        {.id = kCusCountLabel,
         .kind = ControlKind::Static,
         .caption = "Enter the Number of Points required",
         .parent = kCusCountGroup},
        {.id = kCusPointCount,
         .kind = ControlKind::Edit,
         .parent = kCusCountGroup,
         .column = 1,
         .styles = style::kDigitsOnly,
         .widthChars = 4},
        {.id = kCusDescriptionGroup,
         .kind = ControlKind::Group,
         .caption = "Optional Description",
         .row = 1,
         .column = 1},
        {.id = kCusDescriptionNote,
         .kind = ControlKind::Static,
         .caption = "An optional description of the Custom Range can be included if required",
         .parent = kCusDescriptionGroup},
        {.id = kCusDescription,
         .kind = ControlKind::Edit,
         .parent = kCusDescriptionGroup,
         .row = 1,
         .styles = style::kMultiLine,
         .maxLength = 500,
         .widthChars = 40},
        {.id = kCusMessagesGroup,
         .kind = ControlKind::Group,
         .caption = "System Messages",
         .row = 2,
         .column = 1},
        {.id = kCusSystemMessages, .kind = ControlKind::ListBox, .parent = kCusMessagesGroup},
        {.id = kOk,
         .kind = ControlKind::Button,
         .caption = "&OK",
         .column = 2,
         .styles = style::kDefaultButton},
        {.id = kCancel, .kind = ControlKind::Button, .caption = "&Cancel", .row = 1, .column = 2},
        {.id = kCusApply, .kind = ControlKind::Button, .caption = "&Apply", .row = 2, .column = 2},
        {.id = kHelp, .kind = ControlKind::Button, .caption = "&Help", .row = 3, .column = 2},
    };
    controls.insert(controls.end(), rest.begin(), rest.end());
    return controls;
}

}  // namespace

const fw::DialogTemplate& CustomRangeTemplate() {
    static const fw::DialogTemplate t{
        .id = ids::kCustomRangeDialog,
        .caption = "Setup Custom Range",
        .width = 400,
        .height = 260,
        .controls = CustomRangeControls(),
    };
    return t;
}

}  // namespace corvane::resources
