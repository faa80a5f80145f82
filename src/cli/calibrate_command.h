#pragma once

#include "cli/command_session.h"

namespace corvane::records {
class ServiceRecorder;
}

namespace corvane::cli {

// corvane calibrate: one point calibrated as the Calibration Assistant does it, on the command
// line's link, recorded through `recorder` when one is given. Conductivity and temperature wait
// for a settled reading, take it as found, calibrate, wait again and take it as left; the
// outputs ask for the DVM readings at 4 and 20 mA. The verdict decides the status: done within
// tolerance, kReadBackDiffers outside it (or never settled).
Result RunCalibrate(const CommandLine& line, SharedRecords& records, FastLink& link,
                    Console& console, records::ServiceRecorder* recorder);

}  // namespace corvane::cli
