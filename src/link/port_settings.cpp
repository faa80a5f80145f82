#include "link/port_settings.h"

#include <array>

#include "link/sensor_data.h"

namespace corvane {
namespace {

constexpr std::array<int, 7> kBaudRates = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

}  // namespace

void DeriveLineSettings(SensorData& s) {
    s.BaudRate = (s.BaudIndex >= 0 && s.BaudIndex < static_cast<int>(kBaudRates.size()))
                     ? kBaudRates[static_cast<std::size_t>(s.BaudIndex)]
                     : 9600;
    s.DataBits = s.DataBitsIndex == 0 ? 7 : 8;
    switch (s.ParityIndex) {
        case 0: s.Parity = 'E'; break;
        case 1: s.Parity = 'O'; break;
        case 3: s.Parity = 'M'; break;
        case 4: s.Parity = 'S'; break;
        default: s.Parity = 'N'; break;
    }
    s.StopBits = s.StopBitsIndex == 2 ? 2 : 1;  // "1.5" opens with one stop bit
    switch (s.FlowIndex) {
        case 0: s.FlowControl = 'X'; break;
        case 1: s.FlowControl = 'H'; break;
        default: s.FlowControl = 'N'; break;
    }
}

PortSettings PortSettingsOf(const SensorData& s) {
    return PortSettings{s.PortNumber, s.BaudRate, s.Parity, s.DataBits, s.StopBits};
}

}  // namespace corvane
