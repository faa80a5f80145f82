#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "link/rtu_framing.h"

namespace corvane {

// One line of a traffic trace: "TX 05 35 C2 F7" or "RX 05 35 ... (CRC error)".
std::string TraceLine(bool sent, std::span<const std::uint8_t> bytes,
                      FrameEvent event = FrameEvent::Passed);

}  // namespace corvane
