#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Calibration page: temperature, conductivity and current-output calibrations, the reset of
// all calibrations, and System Messages.
namespace corvane::ids {

inline constexpr int kCalibrationPage = 130;

inline constexpr int kCalTemperatureGroup = 1049;
inline constexpr int kCalTrueTemperature = 1053;
inline constexpr int kCalTrueTemperatureUnit = 1290;
inline constexpr int kCalReturnTemperature = 1052;
inline constexpr int kCalReturnTemperatureUnit = 1291;
inline constexpr int kCalCalibrateTemperature = 1050;

inline constexpr int kCalConductivityGroup = 1047;
inline constexpr int kCalCondZero = 1043;
inline constexpr int kCalCond9_25 = 1056;
inline constexpr int kCalCond92_5 = 1046;
inline constexpr int kCalCond925 = 1044;
inline constexpr int kCalCondRaw = 1325;
inline constexpr int kCalCondComp = 1054;

inline constexpr int kCalOutputGroup = 1078;
inline constexpr int kCalTransmit4mA = 1059;
inline constexpr int kCalTransmit20mA = 1060;
inline constexpr int kCalOut1Reading = 1064;
inline constexpr int kCalOut2Reading = 1065;
inline constexpr int kCalCalibrateOutputs = 1087;
inline constexpr int kCalNormalOutputs = 1313;
inline constexpr int kCalTestOutputs = 1314;

inline constexpr int kCalResetCalibration = 1097;
inline constexpr int kCalSystemMessagesGroup = 1086;
inline constexpr int kCalSystemMessages = 1323;
// "Calibration Assi&stant...": the guided calibration, in a window of its own.
inline constexpr int kCalAssistant = 1511;

// Labels and unit texts.
inline constexpr int kCalTrueTemperatureLabel = 1501;
inline constexpr int kCalReturnTemperatureLabel = 1502;
inline constexpr int kCalCondRawLabel = 1503;
inline constexpr int kCalCondRawUnit = 1504;
inline constexpr int kCalCondCompLabel = 1505;
inline constexpr int kCalCondCompUnit = 1506;
inline constexpr int kCalOut1Label = 1507;
inline constexpr int kCalOut1Unit = 1508;
inline constexpr int kCalOut2Label = 1509;
inline constexpr int kCalOut2Unit = 1510;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& CalibrationPageTemplate();
}  // namespace corvane::resources
