#pragma once

#include <array>

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Channels page: five sensors on one line, each with its on/off box, its address and its six
// live readings, and two System Messages lists.
namespace corvane::ids {

inline constexpr int kChannelsPage = 168;

// The controls of one channel's row.
struct ChannelRowIds {
    int onOff;
    int address;
    int condRaw;
    int condComp;
    int temperature;
    int concentration;
    int out1;
    int out2;
};

// Channels 1 to 5, in order.
inline constexpr std::array<ChannelRowIds, 5> kChnRows = {{
    {1451, 1403, 1379, 1381, 1383, 1380, 1382, 1384},
    {1452, 1404, 1385, 1387, 1389, 1386, 1388, 1390},
    {1455, 1405, 1391, 1393, 1395, 1392, 1394, 1396},
    {1453, 1406, 1397, 1399, 1401, 1398, 1400, 1402},
    {1454, 1426, 1427, 1428, 1429, 1430, 1431, 1432},
}};

inline constexpr int kChnMessagesLeft = 1433;   // lines 1 to 5
inline constexpr int kChnMessagesRight = 1434;  // lines 6 to 10
inline constexpr int kChnTrend = 1437;          // "&Trend...": the channels' readings against time

// Column headings.
inline constexpr int kChnOnOffLabel = 1414;
inline constexpr int kChnAddressLabel = 1411;
inline constexpr int kChnCondRawLabel = 1412;
inline constexpr int kChnCondCompLabel = 1413;
inline constexpr int kChnTemperatureLabel = 1422;
inline constexpr int kChnConcentrationLabel = 1423;
inline constexpr int kChnOut1Label = 1425;
inline constexpr int kChnOut2Label = 1424;

// Frames.
inline constexpr int kChnSensorsGroup = 16801;
inline constexpr int kChnMessagesGroup = 16802;

}  // namespace corvane::ids

namespace corvane::resources {
const fw::DialogTemplate& ChannelsPageTemplate();
}  // namespace corvane::resources
