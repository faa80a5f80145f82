// libFuzzer target: any bytes as an Intel HEX software image. An image the checker accepts must
// be one the download can send: at least one block, none longer than a flash block carries, and
// every block inside the sensor's 64 KiB (a block that ran past FFFF would wrap to 0000).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "download/hex_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const corvane::HexImageCheck check = corvane::CheckHexImage(std::span(data, size));
    if (check.accepted) {
        if (check.blocks.empty() || !check.fault.empty()) std::abort();
        for (const corvane::ImageBlock& block : check.blocks) {
            if (block.Data.size() > static_cast<std::size_t>(corvane::kMostBlockBytes)) {
                std::abort();
            }
            if (block.Address + block.Data.size() > 0x10000) std::abort();
        }
    } else if (check.fault.empty() || !check.blocks.empty()) {
        std::abort();
    }
    return 0;
}
