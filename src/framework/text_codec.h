#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Text crosses two borders: the serial line and the stored files carry one byte per character in
// the Windows-1252 code page (the degree sign is byte 0xB0); inside the program every text is
// UTF-8. These are the only conversions between the two.

// One wire byte as UTF-8. Bytes that Windows-1252 leaves undefined map to the C1 control of the
// same value, so every byte survives a round trip.
std::string WireByteToUtf8(std::uint8_t byte);

// Wire bytes to UTF-8, every byte converted (zero bytes included).
std::string WireToUtf8(std::span<const std::uint8_t> bytes);

// UTF-8 to wire bytes. A character the code page cannot carry, and any malformed UTF-8
// sequence, becomes '?', so the result always has one byte per character.
std::vector<std::uint8_t> Utf8ToWire(std::string_view utf8);

// UTF-16 (a wide text of a stored file) to wire bytes, one byte per character (a surrogate
// pair is one character); characters the code page lacks, and lone surrogates, become '?'.
std::vector<std::uint8_t> Utf16ToWire(std::u16string_view utf16);

// Number of characters (not bytes) in a UTF-8 text, counted as the wire would carry them.
std::size_t WireLength(std::string_view utf8);

}  // namespace corvane
