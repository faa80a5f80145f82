#pragma once

#include <vector>

#include "framework/dialog_template.h"

namespace corvane::resources {

// Every window template, for the checks that hold for all of them.
std::vector<const fw::DialogTemplate*> AllTemplates();

}  // namespace corvane::resources
