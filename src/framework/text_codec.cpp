#include "framework/text_codec.h"

#include <array>

namespace corvane {
namespace {

// Code points of bytes 0x80..0x9F; the other bytes equal their code point. Undefined positions
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) hold their own value, as the C1 control.
constexpr std::array<char32_t, 32> kHighControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr char32_t CodePointOf(std::uint8_t byte) {
    return (byte >= 0x80 && byte <= 0x9F) ? kHighControlRange[byte - 0x80] : char32_t{byte};
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::uint8_t WireByteOf(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
        return static_cast<std::uint8_t>(cp);
    }
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i) {
        if (kHighControlRange[i] == cp) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return '?';
}

// Decodes one UTF-8 character starting at `pos`; advances `pos`. Malformed input yields
// U+FFFD and consumes one byte.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto lead = static_cast<std::uint8_t>(s[pos]);
    int extra = 0;
    char32_t cp = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++pos;
        return 0xFFFD;
    }
    if (pos + static_cast<std::size_t>(extra) >= s.size()) {  // sequence cut short
        ++pos;
        return 0xFFFD;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<std::uint8_t>(s[pos + static_cast<std::size_t>(i)]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += static_cast<std::size_t>(extra) + 1;
    return cp;
}

}  // namespace

std::string WireByteToUtf8(std::uint8_t byte) {
    std::string out;
    AppendUtf8(out, CodePointOf(byte));
    return out;
}

std::string WireToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const std::uint8_t b : bytes) {
        AppendUtf8(out, CodePointOf(b));
    }
    return out;
}

std::vector<std::uint8_t> Utf8ToWire(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        out.push_back(WireByteOf(NextCodePoint(utf8, pos)));
    }
    return out;
}

std::size_t WireLength(std::string_view utf8) {
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        NextCodePoint(utf8, pos);
        ++count;
    }
    return count;
}

std::vector<std::uint8_t> Utf16ToWire(std::u16string_view utf16) {
    std::vector<std::uint8_t> out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            ++i;  // a character beyond the basic plane: none of them is in the code page
            out.push_back('?');
        } else if (high || low) {
            out.push_back('?');
        } else {
            out.push_back(WireByteOf(unit));
        }
    }
    return out;
}

}  // namespace corvane
