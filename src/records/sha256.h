#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane::records {

// The SHA-256 digest of `bytes` as 64 lower-case hex digits, as sha256sum prints it.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace corvane::records
