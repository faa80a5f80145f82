#pragma once

#include <cstdint>
#include <span>

namespace corvane {

// Modbus RTU CRC-16: polynomial 0x8005 reflected (0xA001), initial value 0xFFFF, input and
// output reflected, no final exclusive-or. Sent low byte first. Check value: the ASCII bytes
// "123456789" give 0x4B37. An empty span gives 0xFFFF.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

}  // namespace corvane
