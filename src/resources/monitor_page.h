#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Monitor page: live readings, their names and units, the setup summary and System Messages.
namespace corvane::ids {

inline constexpr int kMonitorPage = 131;

// Monitor page.
inline constexpr int kMonOut2SourceName = 1072;
inline constexpr int kMonOut1SourceName = 1033;
inline constexpr int kMonOut1Current = 1027;
inline constexpr int kMonOut2Current = 1071;
inline constexpr int kMonConcentration = 1069;
inline constexpr int kMonCondRaw = 1079;
inline constexpr int kMonCondComp = 1080;
inline constexpr int kMonTemperature = 1081;
inline constexpr int kMonConcentrationUnit = 1342;
inline constexpr int kMonCondRawUnit = 1339;
inline constexpr int kMonCondCompUnit = 1340;
inline constexpr int kMonTemperatureUnit = 1341;
inline constexpr int kMonConcentrationLabel = 1343;
inline constexpr int kMonConfiguration = 1319;
inline constexpr int kMonSystemMessages = 1318;
inline constexpr int kMonSensorDataGroup = 1039;
inline constexpr int kMonOutput1Group = 1031;
inline constexpr int kMonOutput2Group = 1026;
inline constexpr int kMonConfigurationGroup = 1077;
inline constexpr int kMonSystemMessagesGroup = 1086;
inline constexpr int kMonCondRawLabel = 1074;
inline constexpr int kMonCondCompLabel = 1073;
inline constexpr int kMonTemperatureLabel = 1075;
inline constexpr int kMonOut1Label = 1037;
inline constexpr int kMonOut1mA = 1300;
inline constexpr int kMonOut2Label = 1038;
inline constexpr int kMonOut2mA = 1301;
inline constexpr int kMonTrend = 1352;  // "&Trend...": the readings against time

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& MonitorPageTemplate();
}  // namespace corvane::resources
