#pragma once

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Service History window: the events of a sensor's service record, chosen by sensor, kind
// and date, the details of the one picked out, the export to a CSV file, the certificate of a
// calibration, and the exchange with the plant's shared history server.
namespace corvane::ids {

inline constexpr int kHistoryWindow = 220;

inline constexpr int kHistChooseGroup = 2201;
inline constexpr int kHistSensorLabel = 2202;
inline constexpr int kHistSensor = 2203;
inline constexpr int kHistKindLabel = 2204;
inline constexpr int kHistKind = 2205;
inline constexpr int kHistSinceLabel = 2206;
inline constexpr int kHistSince = 2207;
inline constexpr int kHistEventsGroup = 2208;
inline constexpr int kHistEvents = 2209;
inline constexpr int kHistDetailsGroup = 2210;
inline constexpr int kHistDetails = 2211;
inline constexpr int kHistSharedGroup = 2212;
inline constexpr int kHistServerLabel = 2213;
inline constexpr int kHistServer = 2214;
inline constexpr int kHistPush = 2215;
inline constexpr int kHistPull = 2216;
inline constexpr int kHistExport = 2217;
inline constexpr int kHistClose = 2218;
inline constexpr int kHistState = 2219;
inline constexpr int kHistCertificate = 2220;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& HistoryTemplate();
}  // namespace corvane::resources
