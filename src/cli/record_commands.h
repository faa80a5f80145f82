#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/sensor_commands.h"

namespace corvane::cli {

// The service record's commands, which talk to no sensor: history and records push|pull.
bool IsRecordCommand(const std::string& name);
int RunRecordCommand(const CommandLine& line, Console& console);

// The service record the command line writes and reads: --records, else the default file.
std::string RecordsLocation(const LinkOptions& options);

}  // namespace corvane::cli
