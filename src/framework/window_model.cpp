#include "framework/window_model.h"

#include <stdexcept>
#include <utility>

namespace corvane::fw {
namespace {

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Static: return "static";
        case ControlKind::Group: return "group";
        case ControlKind::Edit: return "edit";
        case ControlKind::Button: return "button";
        case ControlKind::CheckBox: return "check box";
        case ControlKind::Radio: return "radio button";
        case ControlKind::ListBox: return "list box";
        case ControlKind::DropDown: return "drop-down list";
        case ControlKind::ProgressBar: return "progress bar";
        case ControlKind::Icon: return "icon";
        case ControlKind::Chart: return "chart";
    }
    return "control";
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Letters to upper case as an upper-case edit converts them while typing: ASCII and the
// accented letters of Latin-1.
std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 'a' + 'A');
        } else if (c == 0xC3 && i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            if (next >= 0xA0 && next <= 0xBE && next != 0xB7) {  // à..þ except ÷
                out[i + 1] = static_cast<char>(next - 0x20);
            }
            ++i;
        }
    }
    return out;
}

// The first `maxChars` characters of a UTF-8 text.
std::string CutToCharacters(std::string_view text, int maxChars) {
    int chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsContinuationByte(text[i])) {
            if (chars == maxChars) return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

}  // namespace

WindowModel::WindowModel(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {
    for (const auto& definition : template_.controls) {
        Control control;
        control.definition = &definition;
        control.readOnly = definition.Has(style::kReadOnly);
        control.enabled = !definition.Has(style::kDisabled);
        control.maxLength = definition.maxLength;
        if (definition.kind != ControlKind::Edit) {
            control.text = std::string(definition.caption);
        }
        if (definition.kind == ControlKind::Chart) charts_[definition.id] = ChartContent{};
        if (!controls_.emplace(definition.id, std::move(control)).second) {
            throw std::logic_error("control " + std::to_string(definition.id) +
                                   " appears twice in dialog " + std::to_string(template_.id));
        }
    }
}

WindowModel::Control& WindowModel::Get(int id, std::initializer_list<ControlKind> allowed) {
    return const_cast<Control&>(std::as_const(*this).Get(id, allowed));
}

const WindowModel::Control& WindowModel::Get(int id,
                                             std::initializer_list<ControlKind> allowed) const {
    const auto found = controls_.find(id);
    if (found == controls_.end()) {
        throw std::logic_error("control " + std::to_string(id) + " is not in dialog " +
                               std::to_string(template_.id));
    }
    if (allowed.size() == 0) {
        return found->second;
    }
    for (const ControlKind kind : allowed) {
        if (found->second.definition->kind == kind) {
            return found->second;
        }
    }
    throw std::logic_error("control " + std::to_string(id) + " of dialog " +
                           std::to_string(template_.id) + " is a " +
                           KindName(found->second.definition->kind));
}

ControlKind WindowModel::KindOf(int id) const {
    return Get(id, {}).definition->kind;
}

void WindowModel::Changed(int id) {
    if (observer_) observer_(id);
}

void WindowModel::Raise(int id, Notify notify) {
    if (sink_) sink_(id, notify);
}

std::string WindowModel::Text(int id) const {
    return Get(id, {}).text;
}

void WindowModel::SetText(int id, std::string_view text) {
    Control& c = Get(id, {});
    c.text = std::string(text);
    Changed(id);
    if (c.definition->kind == ControlKind::Edit) {
        Raise(id, Notify::TextChanged);
    }
}

int WindowModel::Check(int id) const {
    return Get(id, {ControlKind::CheckBox, ControlKind::Radio}).check;
}

void WindowModel::SetCheck(int id, int checked) {
    Get(id, {ControlKind::CheckBox, ControlKind::Radio}).check = checked;
    Changed(id);
}

void WindowModel::Enable(int id, bool enabled) {
    Get(id, {}).enabled = enabled;
    Changed(id);
}

bool WindowModel::IsEnabled(int id) const {
    return Get(id, {}).enabled;
}

void WindowModel::SetReadOnly(int id, bool readOnly) {
    Get(id, {ControlKind::Edit}).readOnly = readOnly;
    Changed(id);
}

bool WindowModel::IsReadOnly(int id) const {
    return Get(id, {ControlKind::Edit}).readOnly;
}

void WindowModel::SetLimit(int id, int maxLength) {
    Control& c = Get(id, {ControlKind::Edit});
    if (c.maxLength == maxLength) return;
    c.maxLength = maxLength;
    Changed(id);
}

int WindowModel::Limit(int id) const {
    return Get(id, {ControlKind::Edit}).maxLength;
}

void WindowModel::ListReset(int id) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    c.items.clear();
    c.selection = -1;
    Changed(id);
}

void WindowModel::ListSetItems(int id, std::vector<std::string> items) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    if (c.items == items) return;
    c.items = std::move(items);
    c.selection = -1;
    Changed(id);
}

int WindowModel::ListAdd(int id, std::string_view text) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    c.items.emplace_back(text);
    Changed(id);
    return static_cast<int>(c.items.size()) - 1;
}

int WindowModel::ListInsert(int id, int index, std::string_view text) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    if (index < 0 || index > static_cast<int>(c.items.size())) {
        index = static_cast<int>(c.items.size());
    }
    c.items.insert(c.items.begin() + index, std::string(text));
    Changed(id);
    return index;
}

int WindowModel::ListCount(int id) const {
    return static_cast<int>(Get(id, {ControlKind::ListBox, ControlKind::DropDown}).items.size());
}

std::string WindowModel::ListItem(int id, int index) const {
    const auto& items = ListItems(id);
    return (index >= 0 && index < static_cast<int>(items.size()))
               ? items[static_cast<std::size_t>(index)]
               : std::string();
}

const std::vector<std::string>& WindowModel::ListItems(int id) const {
    return Get(id, {ControlKind::ListBox, ControlKind::DropDown}).items;
}

int WindowModel::ListSelection(int id) const {
    return Get(id, {ControlKind::ListBox, ControlKind::DropDown}).selection;
}

void WindowModel::ListSelect(int id, int index) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
    if (c.definition->kind == ControlKind::DropDown) {
        c.text = c.selection >= 0 ? c.items[static_cast<std::size_t>(c.selection)] : "";
    }
    Changed(id);
}

void WindowModel::SetProgress(int id, int position) {
    Get(id, {ControlKind::ProgressBar}).progress = position;
    Changed(id);
}

int WindowModel::Progress(int id) const {
    return Get(id, {ControlKind::ProgressBar}).progress;
}

void WindowModel::SetChart(int id, ChartContent content) {
    Get(id, {ControlKind::Chart});
    ChartContent& shown = charts_.at(id);
    if (shown == content) return;
    shown = std::move(content);
    Changed(id);
}

const ChartContent& WindowModel::Chart(int id) const {
    Get(id, {ControlKind::Chart});
    return charts_.at(id);
}

void WindowModel::SetFocus(int id) {
    Get(id, {});
    if (id == focus_) return;
    const int old = focus_;
    focus_ = id;
    if (old != 0) Raise(old, Notify::KillFocus);
    Changed(id);
    Raise(id, Notify::SetFocus);
}

void WindowModel::UserType(int id, std::string_view typed) {
    Control& c = Get(id, {ControlKind::Edit});
    if (c.readOnly || !c.enabled) return;
    std::string text(typed);
    if (c.definition->Has(style::kDigitsOnly)) {
        std::string digits;
        for (const char ch : text) {
            if (ch >= '0' && ch <= '9') digits.push_back(ch);
        }
        text = digits;
    }
    if (c.definition->Has(style::kUpperCase)) text = ToUpper(text);
    if (c.maxLength > 0) text = CutToCharacters(text, c.maxLength);
    if (text == c.text) return;
    c.text = text;
    Changed(id);
    Raise(id, Notify::TextChanged);
}

void WindowModel::UserClick(int id) {
    Control& c = Get(id, {ControlKind::Button, ControlKind::CheckBox, ControlKind::Radio});
    if (!c.enabled) return;
    SetFocus(id);  // a click puts the keyboard focus on the button
    if (c.definition->kind == ControlKind::CheckBox) {
        c.check = c.check != 0 ? 0 : 1;
        Changed(id);
    } else if (c.definition->kind == ControlKind::Radio) {
        // Uncheck the other buttons of the same group: the run of radios in template order
        // from the group's first button up to the next group start.
        const auto& all = template_.controls;
        std::size_t start = 0;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].kind == ControlKind::Radio && all[i].Has(style::kGroupStart)) start = i;
            if (all[i].id == id) break;
        }
        for (std::size_t i = start; i < all.size() && all[i].kind == ControlKind::Radio; ++i) {
            if (i > start && all[i].Has(style::kGroupStart)) break;
            Control& other = controls_.at(all[i].id);
            other.check = all[i].id == id ? 1 : 0;
            Changed(all[i].id);
        }
    }
    Raise(id, Notify::Clicked);
}

void WindowModel::UserSelect(int id, int index) {
    Control& c = Get(id, {ControlKind::ListBox, ControlKind::DropDown});
    if (!c.enabled) return;
    ListSelect(id, index);
    Raise(id, Notify::SelectionChanged);
}

}  // namespace corvane::fw
