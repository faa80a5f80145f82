#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvane::fw {

// The framework's serialising archive: untagged values, little-endian.
//   int32   4 bytes, two's complement
//   double  8 bytes, IEEE 754
//   text    length prefix, then that many bytes: one byte below 255; else 0xFF and a 16-bit
//           length below 0xFFFE; else 0xFF, 0xFFFF and a 32-bit length
// Texts are bytes here; the caller converts them at the file border.
class ArchiveWriter {
  public:
    void Int32(std::int32_t value);
    void Double(double value);
    void Text(std::span<const std::uint8_t> bytes);
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    void Raw(std::uint64_t value, int size);
    std::vector<std::uint8_t> bytes_;
};

// Reads what ArchiveWriter writes. A read that would run past the end, or a text prefix the
// format does not have, fails, consumes nothing more, and every later read fails too.
//
// Archives written by a wide-character build of the framework may hold wide texts: 0xFF, 0xFFFE,
// then a length prefix of the usual form counting 16-bit UTF-16 units. A reader made with
// `WideTexts::Convert` reads them and converts them to the single-byte code page (a character
// the code page lacks becomes '?'); by default a wide text fails like any unknown prefix.
enum class WideTexts { Refuse, Convert };

class ArchiveReader {
  public:
    explicit ArchiveReader(std::span<const std::uint8_t> bytes, WideTexts wide = WideTexts::Refuse)
        : bytes_(bytes), wide_(wide) {}

    bool Int32(std::int32_t& value);
    bool Double(double& value);
    bool Text(std::vector<std::uint8_t>& bytes);
    bool Failed() const { return failed_; }
    bool AtEnd() const { return position_ == bytes_.size(); }

  private:
    bool Raw(std::uint64_t& value, int size);
    bool Length(std::uint64_t& length, bool& wide);
    bool WideText(std::uint64_t units, std::vector<std::uint8_t>& bytes);
    std::span<const std::uint8_t> bytes_;
    WideTexts wide_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

}  // namespace corvane::fw
