#include "framework/data_exchange.h"

#include <climits>
#include <stdexcept>
#include <string>

#include "framework/dialog.h"
#include "framework/number_text.h"
#include "framework/window_model.h"

namespace corvane::fw {
namespace {

int CharacterCount(const std::string& text) {
    int count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

void DataExchange::Fail(int id, std::string prompt) {
    failed_ = true;
    controls_.SetFocus(id);
    dialog_.GetHost().PlayBeep(Beep::Exclamation);
    dialog_.GetHost().PostBox(
        {std::move(prompt), dialog_.GetHost().AppTitle(), Icon::Exclamation, Buttons::Ok},
        [](Answer) {});
}

void DataExchange::PushText(int id, const std::string& text) {
    if (controls_.Text(id) != text) {
        controls_.SetText(id, text);
    }
}

void DataExchange::Text(int id, std::string& field) {
    if (failed_) return;
    if (pulling_) {
        field = controls_.Text(id);
    } else {
        PushText(id, field);
    }
}

void DataExchange::Text(int id, int& field) {
    if (failed_) return;
    if (!pulling_) {
        PushText(id, std::to_string(field));
        return;
    }
    const auto value = ParseInteger(controls_.Text(id));
    if (!value || *value < INT_MIN || *value > INT_MAX) {
        Fail(id, "Please enter an integer.");
        return;
    }
    field = static_cast<int>(*value);
}

void DataExchange::Text(int id, double& field) {
    if (failed_) return;
    if (!pulling_) {
        PushText(id, ShortestText(field));
        return;
    }
    const auto value = ParseNumber(controls_.Text(id));
    if (!value) {
        Fail(id, "Please enter a number.");
        return;
    }
    field = *value;
}

void DataExchange::Check(int id, int& field) {
    if (failed_) return;
    if (pulling_) {
        field = controls_.Check(id);
    } else if (controls_.Check(id) != field) {
        controls_.SetCheck(id, field);
    }
}

void DataExchange::Radio(int firstId, int& field) {
    if (failed_) return;
    // The group is the run of radio buttons from `firstId`, which must start it, to the next
    // group start; any other id is a programming error, as for every other exchange.
    const auto& all = controls_.Template().controls;
    controls_.KindOf(firstId);  // throws for an id the window lacks
    std::size_t start = 0;
    while (all[start].id != firstId) ++start;
    if (all[start].kind != ControlKind::Radio || !all[start].Has(style::kGroupStart)) {
        throw std::logic_error("control " + std::to_string(firstId) + " of dialog " +
                               std::to_string(controls_.Template().id) +
                               " is not the first radio button of a group");
    }
    int index = 0;
    int checked = -1;
    for (std::size_t i = start; i < all.size() && all[i].kind == ControlKind::Radio; ++i, ++index) {
        if (i > start && all[i].Has(style::kGroupStart)) break;
        if (pulling_) {
            if (controls_.Check(all[i].id) != 0) checked = index;
        } else {
            controls_.SetCheck(all[i].id, index == field ? 1 : 0);
        }
    }
    if (pulling_) field = checked;
}

void DataExchange::ListIndex(int id, int& field) {
    if (failed_) return;
    if (pulling_) {
        field = controls_.ListSelection(id);
    } else if (controls_.ListSelection(id) != field) {
        controls_.ListSelect(id, field);
    }
}

void DataExchange::MaxChars(int id, const std::string& field, int maxChars) {
    if (failed_) return;
    if (pulling_) {
        if (CharacterCount(field) > maxChars) {
            Fail(id, "Please enter no more than " + std::to_string(maxChars) + " characters.");
        }
    } else {
        // A stricter limit the window set itself (what the sensor keeps) stays: the limit must
        // not change back and forth with every push, nor let the box take more than it holds.
        const int limit = controls_.Limit(id);
        if (limit == 0 || limit > maxChars) controls_.SetLimit(id, maxChars);
    }
}

void DataExchange::MinMax(int id, int field, int minimum, int maximum) {
    if (failed_ || !pulling_) return;
    if (field < minimum || field > maximum) {
        Fail(id, "Please enter an integer between " + std::to_string(minimum) + " and " +
                     std::to_string(maximum) + ".");
    }
}

void DataExchange::MinMax(int id, double field, double minimum, double maximum) {
    if (failed_ || !pulling_) return;
    if (field < minimum || field > maximum) {
        Fail(id, "Please enter a number between " + ShortestText(minimum) + " and " +
                     ShortestText(maximum) + ".");
    }
}

}  // namespace corvane::fw
