#pragma once

#include <string>
#include <vector>

namespace corvane {

struct SensorData;

// The main window's Configuration list: five lines.
std::vector<std::string> MainConfigurationLines(const SensorData& sensor);

// The Monitor page's Configuration list: eleven lines.
std::vector<std::string> MonitorConfigurationLines(const SensorData& sensor);

}  // namespace corvane
