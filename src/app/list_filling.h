#pragma once

#include <string>
#include <vector>

#include "framework/window_model.h"
#include "link/status_lines.h"

namespace corvane {

// Rebuilds a System Messages list from the ten message lines: clear, then every non-empty line
// in order.
void ShowMessageLines(fw::WindowModel& controls, int listId, const MessageLines& lines);

// Empties a list and inserts `lines` at positions 0, 1, ...
void FillList(fw::WindowModel& controls, int listId, const std::vector<std::string>& lines);

}  // namespace corvane
