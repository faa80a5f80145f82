#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Factory Settings page: serial numbers, the current source calibration, the default setup
// and calibration reset, System Messages, and the installation of the sensor's software.
namespace corvane::ids {

inline constexpr int kFactoryPage = 167;

inline constexpr int kFacSerialGroup = 1356;
inline constexpr int kFacCurrentSerialLabel = 1355;
inline constexpr int kFacCurrentSerial = 1350;
inline constexpr int kFacNextSerialLabel = 1357;
inline constexpr int kFacNextSerial = 1351;
inline constexpr int kFacSendSerial = 1354;

inline constexpr int kFacSystemMessagesGroup = 1086;
inline constexpr int kFacSystemMessages = 1363;

inline constexpr int kFacSourceGroup = 1448;
inline constexpr int kFacCalibrate1K0 = 1449;
inline constexpr int kFacCalibrate1K5 = 1450;

inline constexpr int kFacDefaultGroup = 1446;
inline constexpr int kFacDefaultSetup = 1445;
inline constexpr int kFacResetCalibration = 1447;

inline constexpr int kFacInstallGroup = 1441;
inline constexpr int kFacBrowse = 1442;
inline constexpr int kFacInstall = 1443;
inline constexpr int kFacCancel = 1438;
inline constexpr int kFacPath = 1439;
inline constexpr int kFacProgress = 1440;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& FactoryPageTemplate();
}  // namespace corvane::resources
