#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Calibration Assistant: the steps of a guided calibration, the one under way with what to
// fit or do, its live reading and chart, whether it has settled, the DVM readings of the current
// outputs, and the settings that say when a reading has settled.
namespace corvane::ids {

inline constexpr int kAssistantWindow = 230;

inline constexpr int kAsstStepsGroup = 2301;
inline constexpr int kAsstSteps = 2302;
inline constexpr int kAsstStart = 2303;
inline constexpr int kAsstStepGroup = 2304;
inline constexpr int kAsstInstruction = 2305;
inline constexpr int kAsstReferenceLabel = 2306;
inline constexpr int kAsstReference = 2307;
inline constexpr int kAsstReading = 2308;
inline constexpr int kAsstStability = 2309;
inline constexpr int kAsstChart = 2310;
inline constexpr int kAsstOut1Label = 2311;
inline constexpr int kAsstOut1 = 2312;
inline constexpr int kAsstOut2Label = 2313;
inline constexpr int kAsstOut2 = 2314;
inline constexpr int kAsstEnterReadings = 2315;
inline constexpr int kAsstCalibrate = 2316;
inline constexpr int kAsstLeaveAsFound = 2317;
inline constexpr int kAsstSkip = 2318;
inline constexpr int kAsstSettingsGroup = 2319;
inline constexpr int kAsstSecondsLabel = 2320;
inline constexpr int kAsstSeconds = 2321;
inline constexpr int kAsstPollsLabel = 2322;
inline constexpr int kAsstPolls = 2323;
inline constexpr int kAsstPercentLabel = 2324;
inline constexpr int kAsstPercent = 2325;
inline constexpr int kAsstZeroLabel = 2326;
inline constexpr int kAsstZero = 2327;
inline constexpr int kAsstDegreesLabel = 2328;
inline constexpr int kAsstDegrees = 2329;
inline constexpr int kAsstCertificate = 2330;
inline constexpr int kAsstClose = 2331;
inline constexpr int kAsstState = 2332;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& CalibrationAssistantTemplate();
}  // namespace corvane::resources
