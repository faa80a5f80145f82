#pragma once

#include "cli/command_line.h"
#include "cli/sensor_commands.h"
#include "link/serial_adapters.h"

namespace corvane::cli {

// corvane ports: the serial adapters with their stable names, the devices they point to, their
// USB identity and the programs that hold them. Needs no sensor.
int RunPortsCommand(const CommandLine& line, Console& console, const SystemTree& tree = {});

}  // namespace corvane::cli
