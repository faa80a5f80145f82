#pragma once

#include <string>
#include <vector>

#include "framework/dialog_template.h"

namespace corvane::fw {

// What is wrong with a window template, one sentence per fault naming the control: an id used
// twice, a parent that is missing or is not a group, a run of radio buttons whose first button
// does not start a group, two controls in the same grid cell, a span below one. Empty when the
// template is sound.
std::vector<std::string> TemplateProblems(const DialogTemplate& dialogTemplate);

}  // namespace corvane::fw
