#pragma once

#include "cli/command_line.h"
#include "cli/sensor_commands.h"

namespace corvane::cli {

// corvane certificate UUID --out FILE.pdf [--paper a4|letter]: the calibration certificate of a
// calibration event of the service record, as a PDF file. Talks to no sensor.
int RunCertificateCommand(const CommandLine& line, Console& console);

// Runs the command in the GUI application it needs to lay out the page (its fonts), on the
// offscreen platform unless QT_QPA_PLATFORM names another: it needs no display. The only
// command that starts one; call it before any other application object exists.
int RunCertificateProgram(int argc, char** argv, const CommandLine& line);

}  // namespace corvane::cli
