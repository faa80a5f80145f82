#include "link/wire_values.h"

#include <algorithm>
#include <cmath>

#include "framework/text_codec.h"

namespace corvane {

std::uint16_t ScaledWireValue(double value, double scale) {
    const double scaled = value * scale;
    if (!std::isfinite(scaled)) {
        return 0;
    }
    const double nearest = std::round(scaled);
    double whole = std::fabs(scaled - nearest) < 1e-6 ? nearest : std::trunc(scaled);
    // Keep the conversion to an integer defined; only the low 16 bits travel anyway.
    whole = std::fmod(whole, 65536.0);
    const auto asInt = static_cast<std::int64_t>(whole);
    return static_cast<std::uint16_t>(asInt & 0xFFFF);
}

void PutU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

std::uint16_t GetU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>((bytes[offset] << 8) | bytes[offset + 1]);
}

std::int16_t GetS16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int16_t>(GetU16(bytes, offset));
}

std::uint8_t PackDecimal(int twoDigits) {
    const int tens = (twoDigits / 10) % 10;
    const int units = twoDigits % 10;
    return static_cast<std::uint8_t>((tens << 4) | units);
}

void PutWireText(std::span<std::uint8_t> bytes, std::size_t offset, std::string_view utf8,
                 std::size_t width) {
    const auto wire = Utf8ToWire(utf8);
    const std::size_t used = std::min(width, wire.size());
    std::copy_n(wire.begin(), used, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset + used), width - used, 0);
}

}  // namespace corvane
