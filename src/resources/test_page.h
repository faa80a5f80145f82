#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Test page: forced currents on each current output, the currents the sensor reports, the
// output configuration and System Messages.
namespace corvane::ids {

inline constexpr int kTestPage = 134;

inline constexpr int kTstChannel1Group = 1222;
inline constexpr int kTstOut1Transmit2mA = 1088;
inline constexpr int kTstOut1Transmit4mA = 1089;
inline constexpr int kTstOut1Transmit12mA = 1061;
inline constexpr int kTstOut1Transmit20mA = 1062;
inline constexpr int kTstOut1Transmit22mA = 1066;
inline constexpr int kTstOut1Label = 1084;
inline constexpr int kTstOut1Current = 1226;

inline constexpr int kTstChannel2Group = 1223;
inline constexpr int kTstOut2Transmit2mA = 1090;
inline constexpr int kTstOut2Transmit4mA = 1091;
inline constexpr int kTstOut2Transmit12mA = 1063;
inline constexpr int kTstOut2Transmit20mA = 1067;
inline constexpr int kTstOut2Transmit22mA = 1068;
inline constexpr int kTstOut2Label = 1225;
inline constexpr int kTstOut2Current = 1224;

inline constexpr int kTstReturnToNormal = 1311;
inline constexpr int kTstConfigurationGroup = 1110;
inline constexpr int kTstConfiguration = 1320;
inline constexpr int kTstSystemMessagesGroup = 1086;
inline constexpr int kTstSystemMessages = 1319;

// Unit texts beside the two output currents.
inline constexpr int kTstOut1Unit = 1521;
inline constexpr int kTstOut2Unit = 1522;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& TestPageTemplate();
}  // namespace corvane::resources
