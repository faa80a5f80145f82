#pragma once

#include <array>

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The trend window: the live readings against time, opened from the Monitor page (the sensor's
// six readings) and from the Channels page (one line per channel that is on), and the recording
// of the readings to a file.
namespace corvane::ids {

inline constexpr int kTrendWindow = 210;
inline constexpr int kChannelsTrendWindow = 211;

inline constexpr int kTrendChart = 2101;
inline constexpr int kTrendReadingsGroup = 2102;
// The readings shown, in the order of the Monitor page: conductivity without and with
// temperature compensation, temperature, concentration, current outputs 1 and 2.
inline constexpr std::array<int, 6> kTrendShow = {2103, 2104, 2105, 2106, 2107, 2108};
inline constexpr int kTrendSpanGroup = 2110;
inline constexpr int kTrendSpan1 = 2111;
inline constexpr int kTrendSpan10 = 2112;
inline constexpr int kTrendSpan60 = 2113;
inline constexpr int kTrendPause = 2114;
inline constexpr int kTrendMarksGroup = 2115;
inline constexpr int kTrendMarks = 2116;
inline constexpr int kTrendRecordGroup = 2117;
inline constexpr int kTrendRecordState = 2118;
inline constexpr int kTrendRecord = 2119;

}  // namespace corvane::ids

namespace corvane::resources {
// Captioned "Trend" (from the Monitor page) and "Channels Trend" (from the Channels page); the
// controls are the same.
const fw::DialogTemplate& TrendTemplate();
const fw::DialogTemplate& ChannelsTrendTemplate();
}  // namespace corvane::resources
