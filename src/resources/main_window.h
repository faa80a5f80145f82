#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The main window: operator login, the System Messages and Configuration lists.
namespace corvane::ids {

inline constexpr int kMainWindow = 102;

// Main window.
inline constexpr int kOperatorName = 1006;
inline constexpr int kPassword = 1007;
inline constexpr int kVersion = 1452;
inline constexpr int kExit = 1287;
inline constexpr int kServiceHistory = 1288;
inline constexpr int kOperatorNameLabel = 1013;
inline constexpr int kPasswordLabel = 1012;
inline constexpr int kOperatorGroup = 1096;
inline constexpr int kSystemMessagesGroup = 1086;
inline constexpr int kConfigurationGroup = 1092;
inline constexpr int kMainSystemMessages = 1316;
inline constexpr int kMainConfiguration = 1317;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& MainWindowTemplate();
}  // namespace corvane::resources
