#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The question asked when the operator leaves the program with "&Exit": save the configuration
// first, leave without saving, or go back.
namespace corvane::ids {

inline constexpr int kSaveConfigDialog = 163;
inline constexpr int kSaveReturnToProgramme = 1283;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& SaveConfigTemplate();
}  // namespace corvane::resources
