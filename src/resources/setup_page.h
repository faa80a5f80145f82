#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Setup page: the sensor's identification and temperature setup, its setup file, the whole
// setup written to or read from the sensor, and the buttons of the four setup dialogs.
namespace corvane::ids {

inline constexpr int kSetupPage = 129;

inline constexpr int kSetOpenFile = 1215;
inline constexpr int kSetSaveFile = 1214;
inline constexpr int kSetWriteSensor = 1212;
inline constexpr int kSetReadSensor = 1454;
inline constexpr int kSetOutput1 = 1333;
inline constexpr int kSetOutput2 = 1334;
inline constexpr int kSetDigital = 1335;
inline constexpr int kSetCustomRange = 1336;
inline constexpr int kSetSerialNumber = 1275;
inline constexpr int kSetPlantNumber = 1276;
inline constexpr int kSetTempUnit = 1273;
inline constexpr int kSetTempBase = 1274;
inline constexpr int kSetSlope = 1126;
inline constexpr int kSetSlopeUnit = 1216;
inline constexpr int kSetCalibration = 1362;
inline constexpr int kSetSystemMessages = 1360;

// Frames and labels.
inline constexpr int kSetFileGroup = 12901;
inline constexpr int kSetSensorGroup = 12902;
inline constexpr int kSetIdentityGroup = 12903;
inline constexpr int kSetSerialLabel = 12904;
inline constexpr int kSetPlantLabel = 12905;
inline constexpr int kSetTemperatureGroup = 12906;
inline constexpr int kSetSlopeLabel = 12907;
inline constexpr int kSetDialogsGroup = 12908;
inline constexpr int kSetCalibrationGroup = 12909;
inline constexpr int kSetMessagesGroup = 12910;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& SetupPageTemplate();
}  // namespace corvane::resources
