#pragma once

#include <vector>

#include "framework/dialog_template.h"

namespace corvane::resources {

const fw::DialogTemplate& MainWindowTemplate();
const fw::DialogTemplate& AboutTemplate();
const fw::DialogTemplate& MonitorPageTemplate();

// Every template, for tests that build them all.
std::vector<const fw::DialogTemplate*> AllTemplates();

}  // namespace corvane::resources
