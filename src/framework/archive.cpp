#include "framework/archive.h"

#include <bit>
#include <cstring>
#include <string>

#include "framework/text_codec.h"

namespace corvane::fw {

void ArchiveWriter::Raw(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void ArchiveWriter::Int32(std::int32_t value) {
    Raw(static_cast<std::uint32_t>(value), 4);
}

void ArchiveWriter::Double(double value) {
    Raw(std::bit_cast<std::uint64_t>(value), 8);
}

void ArchiveWriter::Text(std::span<const std::uint8_t> bytes) {
    const std::size_t length = bytes.size();
    if (length < 0xFF) {
        Raw(length, 1);
    } else if (length < 0xFFFE) {
        Raw(0xFF, 1);
        Raw(length, 2);
    } else {
        Raw(0xFF, 1);
        Raw(0xFFFF, 2);
        Raw(length, 4);
    }
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

bool ArchiveReader::Raw(std::uint64_t& value, int size) {
    if (failed_ || bytes_.size() - position_ < static_cast<std::size_t>(size)) {
        failed_ = true;
        return false;
    }
    value = 0;
    for (int i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(bytes_[position_ + static_cast<std::size_t>(i)])
                 << (8 * i);
    }
    position_ += static_cast<std::size_t>(size);
    return true;
}

bool ArchiveReader::Int32(std::int32_t& value) {
    std::uint64_t raw = 0;
    if (!Raw(raw, 4)) return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
    return true;
}

bool ArchiveReader::Double(double& value) {
    std::uint64_t raw = 0;
    if (!Raw(raw, 8)) return false;
    value = std::bit_cast<double>(raw);
    return true;
}

// A length prefix: one byte below 0xFF; else 0xFF and 16 bits below 0xFFFE; else 0xFF, 0xFFFF
// and 32 bits. 0xFF, 0xFFFE announces a wide text, whose own prefix follows.
bool ArchiveReader::Length(std::uint64_t& length, bool& wide) {
    wide = false;
    if (!Raw(length, 1)) return false;
    if (length != 0xFF) return true;
    if (!Raw(length, 2)) return false;
    if (length == 0xFFFE) {
        if (wide_ != WideTexts::Convert) {
            failed_ = true;
            return false;
        }
        bool nested = false;
        if (!Length(length, nested)) return false;
        if (nested) {  // a wide marker inside a wide prefix is no length at all
            failed_ = true;
            return false;
        }
        wide = true;
        return true;
    }
    return length != 0xFFFF || Raw(length, 4);
}

bool ArchiveReader::WideText(std::uint64_t units, std::vector<std::uint8_t>& bytes) {
    if ((bytes_.size() - position_) / 2 < units) {
        failed_ = true;
        return false;
    }
    std::u16string text;
    text.reserve(static_cast<std::size_t>(units));
    for (std::uint64_t i = 0; i < units; ++i) {
        std::uint64_t unit = 0;
        Raw(unit, 2);
        text.push_back(static_cast<char16_t>(unit));
    }
    bytes = Utf16ToWire(text);
    return true;
}

bool ArchiveReader::Text(std::vector<std::uint8_t>& bytes) {
    std::uint64_t length = 0;
    bool wide = false;
    if (!Length(length, wide)) return false;
    if (wide) return WideText(length, bytes);
    if (bytes_.size() - position_ < length) {
        failed_ = true;
        return false;
    }
    const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(position_);
    bytes.assign(first, first + static_cast<std::ptrdiff_t>(length));
    position_ += static_cast<std::size_t>(length);
    return true;
}

}  // namespace corvane::fw
