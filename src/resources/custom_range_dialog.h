#pragma once

#include <array>

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// "Setup Custom Range": up to nine points of concentration against conductivity, the number of
// points in use and an optional description.
namespace corvane::ids {

inline constexpr int kCustomRangeDialog = 151;

// Point k (1..9) is at index k - 1.
inline constexpr std::array<int, 9> kCusPointLabel = {1174, 1175, 1176, 1177, 1178,
                                                      1179, 1180, 1181, 1182};
inline constexpr std::array<int, 9> kCusConcentration = {1156, 1157, 1158, 1159, 1160,
                                                         1161, 1162, 1163, 1164};
inline constexpr std::array<int, 9> kCusConductivity = {1165, 1166, 1167, 1168, 1169,
                                                        1170, 1171, 1172, 1173};
inline constexpr int kCusPointCount = 1270;
inline constexpr int kCusDescription = 1303;
inline constexpr int kCusApply = 1125;
inline constexpr int kCusSystemMessages = 1362;

// Frames and labels.
inline constexpr int kCusPointsGroup = 15101;
inline constexpr int kCusConcentrationHeading = 15102;
inline constexpr int kCusConductivityHeading = 15103;
inline constexpr int kCusZeroNote = 15104;
inline constexpr int kCusCountGroup = 15105;
inline constexpr int kCusCountLabel = 15106;
inline constexpr int kCusDescriptionGroup = 15107;
inline constexpr int kCusDescriptionNote = 15108;
inline constexpr int kCusMessagesGroup = 15109;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& CustomRangeTemplate();
}  // namespace corvane::resources
