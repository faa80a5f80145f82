#pragma once

#include <string>
#include <vector>

#include "framework/window_model.h"
#include "link/status_lines.h"

namespace corvane {

// Shows the non-empty message lines, in order, in a System Messages list. The list changes in
// one update, and not at all when it already shows these lines, so the operator's selection
// and scroll position survive the 200 ms refresh.
void ShowMessageLines(fw::WindowModel& controls, int listId, const MessageLines& lines);

// Makes a list hold exactly `lines`, in one update (none when it already does); no selection.
void FillList(fw::WindowModel& controls, int listId, const std::vector<std::string>& lines);

}  // namespace corvane
