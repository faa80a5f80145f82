#include "download/hex_image.h"

#include <cstdio>
#include <optional>

namespace corvane {
namespace {

enum RecordType : int {
    kData = 0x00,
    kEndOfFile = 0x01,
    kExtendedSegment = 0x02,
    kStartSegment = 0x03,
    kExtendedLinear = 0x04,
    kStartLinear = 0x05,
};

// Bytes before the data: count, address (2), type; the checksum follows the data.
constexpr std::size_t kHeaderBytes = 4;

// DOS editors and tools end a text file with this byte (Ctrl-Z); nothing after it counts.
constexpr std::uint8_t kDosEndOfFile = 0x1A;

// The sensor's 16-bit address space: one past its last byte.
constexpr int kAddressSpace = 0x10000;

std::optional<int> HexDigit(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return std::nullopt;
}

std::string Printable(std::uint8_t c) {
    char text[16];
    if (c >= 0x20 && c < 0x7F) {
        std::snprintf(text, sizeof text, "'%c'", c);
    } else {
        std::snprintf(text, sizeof text, "byte 0x%02X", c);
    }
    return text;
}

std::string Hex2(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value & 0xFF));
    return text;
}

std::string Hex4(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

int RequiredLength(int type) {
    switch (type) {
        case kEndOfFile: return 0;
        case kExtendedSegment:
        case kExtendedLinear: return 2;
        case kStartSegment:
        case kStartLinear: return 4;
        default: return -1;  // data: any length
    }
}

class Checker {
  public:
    HexImageCheck Run(std::span<const std::uint8_t> text) {
        std::size_t start = 0;
        int lineNumber = 0;
        while (start < text.size()) {
            // A line ends at LF, CR LF or CR alone; a DOS end-of-file byte ends the text.
            std::size_t end = start;
            while (end < text.size() && text[end] != '\n' && text[end] != '\r' &&
                   text[end] != kDosEndOfFile) {
                ++end;
            }
            ++lineNumber;
            if (!Line(text.subspan(start, end - start), lineNumber)) return result_;
            if (end < text.size() && text[end] == kDosEndOfFile) {
                if (!ended_) {
                    Fail(lineNumber, "the end-of-file byte 0x1A comes before the end record");
                    return result_;
                }
                break;  // what follows it is not part of the file
            }
            if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
            start = end + 1;
        }
        if (!ended_) return Refuse(0, "The file has no end record (:00000001FF)");
        if (result_.blocks.empty()) return Refuse(0, "The file holds no data records");
        result_.accepted = true;
        return result_;
    }

  private:
    HexImageCheck Refuse(int line, std::string fault) {
        result_.accepted = false;
        result_.blocks.clear();
        result_.faultLine = line;
        result_.fault = std::move(fault);
        return result_;
    }

    bool Fail(int line, const std::string& what) {
        Refuse(line, "Line " + std::to_string(line) + ": " + what);
        return false;
    }

    bool Line(std::span<const std::uint8_t> line, int number) {
        while (!line.empty() &&
               (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line = line.first(line.size() - 1);
        }
        if (line.empty()) return true;
        if (line[0] != ':') return Fail(number, "the record does not start with ':'");
        if (ended_) return Fail(number, "a record follows the end record");
        const auto digits = line.subspan(1);
        for (const std::uint8_t c : digits) {
            if (!HexDigit(c)) return Fail(number, Printable(c) + " is not a hex digit");
        }
        if (digits.size() % 2 != 0) return Fail(number, "odd number of hex digits");
        std::vector<std::uint8_t> bytes(digits.size() / 2);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(*HexDigit(digits[2 * i]) * 16 +
                                                 *HexDigit(digits[2 * i + 1]));
        }
        if (bytes.size() < kHeaderBytes + 1) return Fail(number, "too short for a record");
        const int count = bytes[0];
        const std::size_t onLine = bytes.size() - kHeaderBytes - 1;
        if (onLine != static_cast<std::size_t>(count)) {
            return Fail(number, "byte count " + Hex2(count) + " (" + std::to_string(count) +
                                    ") but " + std::to_string(onLine) + " data bytes on the line");
        }
        int sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
        const int expected = (0x100 - (sum & 0xFF)) & 0xFF;
        if (bytes.back() != expected) {
            return Fail(number,
                        "checksum " + Hex2(bytes.back()) + ", the record needs " + Hex2(expected));
        }
        const int type = bytes[3];
        if (type > kStartLinear) return Fail(number, "unknown record type " + Hex2(type));
        const int required = RequiredLength(type);
        if (required >= 0 && count != required) {
            return Fail(number, "record type " + Hex2(type) + " must carry " +
                                    std::to_string(required) + " bytes, not " +
                                    std::to_string(count));
        }
        const auto data = std::span<const std::uint8_t>(bytes).subspan(kHeaderBytes, onLine);
        switch (type) {
            case kData:
                if (count > kMostBlockBytes) {
                    return Fail(number, std::to_string(count) +
                                            " data bytes, more than a flash block carries (" +
                                            std::to_string(kMostBlockBytes) + ")");
                }
                if (const int address = bytes[1] << 8 | bytes[2]; address + count > kAddressSpace) {
                    // Its tail would wrap round to address 0000 and be written over low memory.
                    return Fail(number, std::to_string(count) + " data bytes at " + Hex4(address) +
                                            " run past address FFFF; the sensor takes 16-bit "
                                            "addresses only");
                }
                result_.blocks.push_back({static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]),
                                          std::vector<std::uint8_t>(data.begin(), data.end())});
                break;
            case kEndOfFile: ended_ = true; break;
            case kExtendedSegment:
            case kExtendedLinear: {
                const int upper = data[0] << 8 | data[1];
                if (upper != 0) {
                    return Fail(number, "extended address " + Hex4(upper) +
                                            " places data above 64 KiB; the sensor takes "
                                            "16-bit addresses only");
                }
                break;
            }
            default: break;  // start addresses: nothing for the sensor
        }
        return true;
    }

    HexImageCheck result_;
    bool ended_ = false;
};

}  // namespace

HexImageCheck CheckHexImage(std::span<const std::uint8_t> text) {
    return Checker().Run(text);
}

}  // namespace corvane
