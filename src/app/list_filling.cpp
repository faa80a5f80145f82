#include "app/list_filling.h"

namespace corvane {

void ShowMessageLines(fw::WindowModel& controls, int listId, const MessageLines& lines) {
    controls.ListSelect(listId, -1);
    controls.ListReset(listId);
    for (const auto& line : lines) {
        if (!line.empty()) controls.ListAdd(listId, line);
    }
}

void FillList(fw::WindowModel& controls, int listId, const std::vector<std::string>& lines) {
    controls.ListSelect(listId, -1);
    controls.ListReset(listId);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        controls.ListInsert(listId, static_cast<int>(i), lines[i]);
    }
}

}  // namespace corvane
