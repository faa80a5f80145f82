#include "link/frame_trace.h"

#include <cstdio>

namespace corvane {

std::string TraceLine(bool sent, std::span<const std::uint8_t> bytes, FrameEvent event) {
    std::string line = sent ? "TX" : "RX";
    for (const std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    if (!sent) {
        switch (event) {
            case FrameEvent::Exception: line += "  (exception reply)"; break;
            case FrameEvent::Failed: line += "  (CRC error)"; break;
            default: break;
        }
    }
    return line;
}

}  // namespace corvane
