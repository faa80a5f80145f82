#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane {

struct SensorData;

inline constexpr int kUploadBlockCount = 17;  // blocks 0..16
inline constexpr std::size_t kDataBlockSize = 16;

// Stores what data block `block` (0..16) of the setup upload carries. Texts are rebuilt from
// the listed character positions; a zero byte ends a text early. Blocks outside 0..16 carry
// nothing.
void DecodeDataBlock(SensorData& sensor, int block,
                     std::span<const std::uint8_t, kDataBlockSize> data);

// "d.dddd" from the low nibble of `first` and the four nibbles of the next two bytes.
std::string IssueNumberText(std::uint8_t first, std::uint8_t second, std::uint8_t third);

}  // namespace corvane
