#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Software page: the software history recorded in the sensor, System Messages, and the
// selection and upgrade of the sensor's software.
namespace corvane::ids {

inline constexpr int kSoftwarePage = 133;

inline constexpr int kSwStatusGroup = 1151;
inline constexpr int kSwStatusList = 1325;
inline constexpr int kSwSystemMessagesGroup = 1086;
inline constexpr int kSwSystemMessages = 1324;
inline constexpr int kSwInstallGroup = 1094;
inline constexpr int kSwBrowse = 1108;
inline constexpr int kSwUpgrade = 1004;
inline constexpr int kSwCancel = 1435;
inline constexpr int kSwPath = 1436;
inline constexpr int kSwProgress = 1095;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& SoftwarePageTemplate();
}  // namespace corvane::resources
