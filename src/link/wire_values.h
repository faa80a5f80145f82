#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

// Conversions between SensorData numbers and the sensor's 16-bit wire values (high byte first).

// value × scale converted to an integer by truncation toward zero, sent as its low 16 bits.
// A product that lies within a millionth of a whole number counts as that number, so a value
// shown as 2.01 is sent as 201 although 2.01 × 100 is 200.999… in binary floating point.
// Values that are not finite are sent as 0.
std::uint16_t ScaledWireValue(double value, double scale);

void PutU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value);
std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::size_t offset);
std::int16_t GetS16(std::span<const std::uint8_t> bytes, std::size_t offset);

// Packed decimal: two digits per byte, the first in the high nibble.
std::uint8_t PackDecimal(int twoDigits);

// Writes `utf8` as wire text into `width` bytes: cut at `width` characters, zero padded.
void PutWireText(std::span<std::uint8_t> bytes, std::size_t offset, std::string_view utf8,
                 std::size_t width);

}  // namespace corvane
