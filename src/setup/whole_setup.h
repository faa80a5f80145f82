#pragma once

#include <array>

#include "link/command_table.h"

namespace corvane {

// Everything a whole-setup write sends, lowest code first as the link serves them: the
// temperature setup, both current outputs, the digital output, the custom range points, the
// plant number and the custom range text (whose second half carries the points in use).
inline constexpr std::array<int, 9> kWholeSetupWrites = {
    WriteTempSetup,  WriteOutput1Setup, WriteOutput2Setup, WriteDigitalSetup, WriteCustomConc,
    WriteCustomCond, WritePlantNumber,  WriteCustomText1,  WriteCustomText2};

}  // namespace corvane
