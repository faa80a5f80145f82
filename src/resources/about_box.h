#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The about box: release and maker.
namespace corvane::ids {

inline constexpr int kAboutDialog = 100;

// About box.
inline constexpr int kAboutIcon = 2001;
inline constexpr int kAboutTitle = 2002;
inline constexpr int kAboutVersion = 2003;
inline constexpr int kAboutDate = 2004;
inline constexpr int kAboutMaker = 2005;
inline constexpr int kAboutUpdates = 2006;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& AboutTemplate();
}  // namespace corvane::resources
