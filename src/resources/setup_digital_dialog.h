#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// "Setup Digital Data Output": the concentration range the sensor calculates, the averaging of
// its digital signal filters and the total dissolved solids factor.
namespace corvane::ids {

inline constexpr int kSetupDigitalDialog = 150;

inline constexpr int kDigRange = 1122;
inline constexpr int kDigAveraging = 1210;
inline constexpr int kDigCondFilter = 1213;
inline constexpr int kDigConcFilter = 1253;
inline constexpr int kDigTempFilter = 1254;
inline constexpr int kDigTdsFactor = 1206;
inline constexpr int kDigTdsLabel = 1207;
inline constexpr int kDigApply = 1124;
inline constexpr int kDigSystemMessages = 1315;

// Frames and labels.
inline constexpr int kDigNote = 15001;
inline constexpr int kDigRangeGroup = 15002;
inline constexpr int kDigFilterGroup = 15003;
inline constexpr int kDigTdsGroup = 15004;
inline constexpr int kDigMessagesGroup = 15005;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& SetupDigitalTemplate();
}  // namespace corvane::resources
