#pragma once

#include <array>
#include <string_view>

#include "framework/dialog_template.h"
#include "resources/common_ids.h"

// The Communications page: the address the program talks to, a new address for the sensor, the
// search for a sensor that answers, and the serial port with its settings.
namespace corvane::ids {

inline constexpr int kCommsPage = 135;

inline constexpr int kComCurrentId = 1301;
inline constexpr int kComSelectId = 1302;
inline constexpr int kComMonitor = 1303;
inline constexpr int kComChangeAddress = 1304;
inline constexpr int kComSearchUp = 1305;
inline constexpr int kComStopSearch = 1306;
inline constexpr int kComSearchDown = 1307;
inline constexpr int kComUseComm1 = 1308;  // first of the radio pair, index 0
inline constexpr int kComUseComm2 = 1309;  // index 1
inline constexpr int kComBaudRate = 1310;
inline constexpr int kComDataBits = 1311;
inline constexpr int kComParity = 1312;
inline constexpr int kComStopBits = 1313;
inline constexpr int kComFlowControl = 1314;
inline constexpr int kComLoadDefaults = 1315;
inline constexpr int kComSystemMessages = 1316;
// The device each port opens, chosen from the system's serial ports.
inline constexpr int kComDevice1 = 1317;  // beside "Use C&omm 1"
inline constexpr int kComDevice2 = 1318;  // beside "Us&e Comm 2"

// Frames and labels.
inline constexpr int kComDeviceGroup = 13501;
inline constexpr int kComCurrentIdLabel = 13502;
inline constexpr int kComSelectIdLabel = 13503;
inline constexpr int kComFinderGroup = 13504;
inline constexpr int kComPortGroup = 13505;
inline constexpr int kComBaudLabel = 13506;
inline constexpr int kComDataBitsLabel = 13507;
inline constexpr int kComParityLabel = 13508;
inline constexpr int kComStopBitsLabel = 13509;
inline constexpr int kComFlowLabel = 13510;
inline constexpr int kComMessagesGroup = 13511;

}  // namespace corvane::ids

// The entries of the five port-setting lists, by the index the settings keep.
namespace corvane::lists {
inline constexpr std::array<std::string_view, 7> kBaudRates = {
    "2400", "4800", "9,600", "19,200", "38,400", "57,600", "115,200"};
inline constexpr std::array<std::string_view, 2> kDataBits = {"Fixed, 7", "Fixed, 8"};
inline constexpr std::array<std::string_view, 5> kParities = {"Even", "Odd", "None", "Mark",
                                                              "Space"};
inline constexpr std::array<std::string_view, 3> kStopBits = {"1", "1.5", "2"};
inline constexpr std::array<std::string_view, 3> kFlowControls = {"Xon/Xoff", "Hardware", "None"};
}  // namespace corvane::lists

namespace corvane::resources {
const fw::DialogTemplate& CommsPageTemplate();
}  // namespace corvane::resources
