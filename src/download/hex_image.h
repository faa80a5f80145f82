#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/shared_records.h"

namespace corvane {

// The largest image file the loader takes, in bytes.
inline constexpr std::size_t kImageFileLimit = 250'000;

// What checking an Intel HEX image found: its data records in file order, or why it was refused,
// with the line at fault (1 = first line; 0 when the fault is the file as a whole).
struct HexImageCheck {
    bool accepted = false;
    std::vector<ImageBlock> blocks;
    int faultLine = 0;
    std::string fault;  // for the operator, naming the line and what is wrong with it
};

// Reads and checks a whole Intel HEX text. Each non-empty line must be one record: ':', an even
// number of hex digits of either case, a byte count that matches the bytes on the line, a known
// record type with the length that type has, and a checksum that makes the record's bytes sum to
// zero. Records of type 00 are the image's data; extended segment and linear address records
// (02, 04) are taken only when they set the upper address to 0, since the sensor loads 16-bit
// addresses and anything above would be written over low memory; for the same reason a data
// record must end at or below address FFFF. Start address records (03, 05) carry nothing for the
// sensor. The file must end with its end record (01) and hold at least one data record. Line
// ends may be LF, CR LF or CR; blanks at the end of a line are ignored, and so is everything
// from a DOS end-of-file byte (0x1A) after the end record.
HexImageCheck CheckHexImage(std::span<const std::uint8_t> text);

}  // namespace corvane
