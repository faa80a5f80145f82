#pragma once

#include "link/serial_channel.h"

namespace corvane {

struct SensorData;

// Derives BaudRate, Parity, DataBits, StopBits and FlowControl from the Communications page's
// list indexes (BaudIndex, ParityIndex, DataBitsIndex, StopBitsIndex, FlowIndex).
void DeriveLineSettings(SensorData& sensor);

// The settings the port is opened with: PortNumber and the derived line settings.
PortSettings PortSettingsOf(const SensorData& sensor);

}  // namespace corvane
