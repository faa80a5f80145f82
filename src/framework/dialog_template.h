#pragma once

#include <string_view>
#include <vector>

namespace corvane::fw {

enum class ControlKind {
    Static,
    Group,
    Edit,
    Button,
    CheckBox,
    Radio,
    ListBox,
    DropDown,
    ProgressBar,
    Icon,
    Chart,  // line series against time in stacked panes (framework/chart_content.h)
};

// Style bits of a control.
namespace style {
inline constexpr unsigned kReadOnly = 1U << 0;
inline constexpr unsigned kPassword = 1U << 1;
inline constexpr unsigned kUpperCase = 1U << 2;
inline constexpr unsigned kDigitsOnly = 1U << 3;
inline constexpr unsigned kMultiLine = 1U << 4;
inline constexpr unsigned kBorderless = 1U << 5;
inline constexpr unsigned kDefaultButton = 1U << 6;
inline constexpr unsigned kGroupStart = 1U << 7;  // first radio button of a group
inline constexpr unsigned kDisabled = 1U << 8;
}  // namespace style

// One control of a dialog: its id, kind and caption, the container it sits in (a group's id,
// or 0 for the dialog itself) and its cell in that container's grid.
struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string_view caption;
    int parent = 0;
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    unsigned styles = 0;
    int maxLength = 0;   // edits: 0 = no limit
    int widthChars = 0;  // the width the control needs, in average characters; 0 = natural

    bool Has(unsigned bit) const { return (styles & bit) != 0; }
};

// A dialog or property page: its resource id, caption, size in dialog units and controls.
struct DialogTemplate {
    int id = 0;
    std::string_view caption;
    int width = 0;
    int height = 0;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const {
        for (const auto& control : controls) {
            if (control.id == controlId) return &control;
        }
        return nullptr;
    }
};

}  // namespace corvane::fw
