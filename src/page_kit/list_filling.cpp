#include "page_kit/list_filling.h"

namespace corvane {

// Both refill a list on every timer tick: the whole content goes in as one change, and an
// unchanged content leaves the list (its selection and scroll position) alone.

void ShowMessageLines(fw::WindowModel& controls, int listId, const MessageLines& lines) {
    std::vector<std::string> shown;
    for (const auto& line : lines) {
        if (!line.empty()) shown.push_back(line);
    }
    controls.ListSetItems(listId, std::move(shown));
}

void FillList(fw::WindowModel& controls, int listId, const std::vector<std::string>& lines) {
    controls.ListSetItems(listId, lines);
}

}  // namespace corvane
