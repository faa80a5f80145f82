#include "records/service_event.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>

#include "link/readings_csv.h"
#include "platform/host_name.h"
#include "platform/local_time.h"

namespace corvane::records {
namespace {

constexpr std::array<const char*, 10> kKinds = {
    kind::kSetupWritten,   kind::kSetupRead,     kind::kFileSaved, kind::kFileLoaded,
    kind::kCalibration,    kind::kOutputsForced, kind::kDownload,  kind::kSerialNumber,
    kind::kAddressChanged, kind::kDefaultSetup};

std::string Member(const std::string& key, const std::string& json) {
    return JsonString(key) + ":" + json;
}

// A number as JSON: the shortest text that reads back as the same value; JSON has no NaN or
// infinity, so those are null.
std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::string Identity(const SensorIdentity& s) {
    if (s.identityRead) return s.serialNumber.empty() ? "(no serial number)" : s.serialNumber;
    return "identity not read, address " + std::to_string(s.address);
}

constexpr std::size_t kLongestShownText = 72;

// A compact JSON text as lines: one member or element a line, nested ones indented by two
// blanks, strings shown without their quotes and cut to a readable length.
void AddJsonLines(const std::string& json, std::vector<std::string>& lines) {
    std::string line;
    int depth = 0;
    std::string text;  // the string being read
    bool inString = false;
    bool escaped = false;
    const auto flush = [&] {
        // The object's own members at the left, nested ones indented.
        const int indent = depth > 1 ? 2 * (depth - 1) : 0;
        if (!line.empty())
            lines.push_back(std::string(static_cast<std::size_t>(indent), ' ') + line);
        line.clear();
    };
    for (const char c : json) {
        if (inString) {
            if (escaped) {
                text += c == 'n' ? ' ' : c;
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
                line += text.size() > kLongestShownText
                            ? text.substr(0, kLongestShownText) + "... (" +
                                  std::to_string(text.size()) + " characters)"
                            : text;
            } else {
                text += c;
            }
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                text.clear();
                break;
            case '{':
            case '[':
                flush();
                ++depth;
                break;
            case '}':
            case ']':
                flush();
                --depth;
                break;
            case ',': flush(); break;
            case ':': line += ": "; break;
            default: line += c;
        }
    }
    flush();
}

}  // namespace

bool IsKnownKind(const std::string& text) {
    for (const char* k : kKinds) {
        if (text == k) return true;
    }
    return false;
}

std::string NewUuid() {
    static thread_local std::mt19937_64 random{[] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }()};
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t word = random();
        for (std::size_t k = 0; k < 8; ++k)
            bytes[i + k] = static_cast<std::uint8_t>(word >> (8 * k));
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        text += hex;
    }
    return text;
}

std::string UtcText(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis = duration_cast<milliseconds>(sinceEpoch).count() % 1000;
    const std::tm utc = platform::UtcCalendar(seconds);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);
    char millisText[8];
    std::snprintf(millisText, sizeof millisText, ".%03dZ",
                  static_cast<int>(millis < 0 ? 0 : millis));
    return std::string(stamp) + millisText;
}

std::string WorkstationName() {
    const std::string name = platform::HostName();
    return name.empty() ? "unknown" : name;
}

std::string JsonArray(const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& item : items) {
        if (text.size() > 1) text += ',';
        text += item;
    }
    return text + "]";
}

namespace {

// The length of the well-formed UTF-8 character at `text[i]` (2 to 4 bytes) and its code point;
// 0 when the bytes there are no UTF-8 character.
std::size_t Utf8Character(const std::string& text, std::size_t i, std::uint32_t& codePoint) {
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3Fu);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < lowest || codePoint > 0x10FFFF || surrogate) return 0;
    return length;
}

void AppendEscape(std::string& quoted, std::uint32_t codePoint) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(codePoint));
    quoted += escaped;
}

}  // namespace

// Every control character (C0, DEL, C1) is escaped, and a byte that belongs to no UTF-8
// character is written as the Latin-1 character it would be, so the JSON is valid UTF-8 and
// shows no control to whoever prints it.
std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            switch (c) {
                case '"': quoted += "\\\""; break;
                case '\\': quoted += "\\\\"; break;
                case '\n': quoted += "\\n"; break;
                case '\r': quoted += "\\r"; break;
                case '\t': quoted += "\\t"; break;
                default:
                    if (byte < 0x20 || byte == 0x7F) {
                        AppendEscape(quoted, byte);
                    } else {
                        quoted += c;
                    }
            }
            ++i;
            continue;
        }
        std::uint32_t codePoint = 0;
        const std::size_t length = Utf8Character(text, i, codePoint);
        if (length == 0) {
            AppendEscape(quoted, byte);
            ++i;
        } else if (codePoint <= 0x9F) {
            AppendEscape(quoted, codePoint);  // a C1 control
            i += length;
        } else {
            quoted.append(text, i, length);
            i += length;
        }
    }
    return quoted + "\"";
}

DetailsBuilder& DetailsBuilder::Text(const std::string& key, const std::string& value) {
    return Json(key, JsonString(value));
}

DetailsBuilder& DetailsBuilder::Number(const std::string& key, double value) {
    return Json(key, JsonNumber(value));
}

DetailsBuilder& DetailsBuilder::Integer(const std::string& key, long long value) {
    return Json(key, std::to_string(value));
}

DetailsBuilder& DetailsBuilder::Flag(const std::string& key, bool value) {
    return Json(key, value ? "true" : "false");
}

DetailsBuilder& DetailsBuilder::Json(const std::string& key, const std::string& json) {
    if (!members_.empty()) members_ += ',';
    members_ += Member(key, json);
    return *this;
}

std::string DetailsBuilder::Build() const {
    return "{" + members_ + "}";
}

std::string EventJsonLine(const ServiceEvent& e) {
    const SensorIdentity& s = e.sensor;
    const std::string sensor = "{" + Member("serial", JsonString(s.serialNumber)) + "," +
                               Member("plant", JsonString(s.plantNumber)) + "," +
                               Member("address", std::to_string(s.address)) + "," +
                               Member("port", JsonString(s.port)) + "," +
                               Member("issue", JsonString(s.softwareIssue)) + "," +
                               Member("identity_read", s.identityRead ? "true" : "false") + "}";
    return "{" + Member("uuid", JsonString(e.uuid)) + "," + Member("time", JsonString(e.timeUtc)) +
           "," + Member("operator", JsonString(e.operatorName)) + "," +
           Member("workstation", JsonString(e.workstation)) + "," +
           Member("program", JsonString(e.program)) + "," +
           Member("version", JsonString(e.version)) + "," + Member("sensor", sensor) + "," +
           Member("kind", JsonString(e.kind)) + "," + Member("result", JsonString(e.result)) + "," +
           Member("summary", JsonString(e.summary)) + "," +
           Member("details", e.details.empty() ? "{}" : e.details) + "}";
}

std::string EventCsvRow(const ServiceEvent& e) {
    const SensorIdentity& s = e.sensor;
    std::string row;
    for (const std::string& field :
         {e.uuid, e.timeUtc, e.operatorName, e.workstation, e.program, e.version, s.serialNumber,
          s.plantNumber, std::to_string(s.address), s.port, s.softwareIssue,
          std::string(s.identityRead ? "true" : "false"), e.kind, e.result, e.summary, e.details}) {
        row += CsvField(field) + ',';
    }
    row.pop_back();  // the last separator
    return row;
}

std::string EventTextLine(const ServiceEvent& e) {
    return e.timeUtc + "  " + e.kind + "  " + e.result + "  " + Identity(e.sensor) + "  " +
           (e.operatorName.empty() ? "(no operator)" : e.operatorName) + "  " + e.summary + "  " +
           e.uuid;
}

std::vector<std::string> EventDetailLines(const ServiceEvent& e) {
    const SensorIdentity& s = e.sensor;
    std::vector<std::string> lines = {
        "Time (UTC): " + e.timeUtc,
        "Kind: " + e.kind + ", " + e.result,
        "Summary: " + e.summary,
        "Sensor: " +
            (s.identityRead ? "serial number " + s.serialNumber + ", plant number " +
                                  s.plantNumber + ", software issue " + s.softwareIssue
                            : std::string("identity not read")) +
            ", address " + std::to_string(s.address) + ", port " + s.port,
        "Operator: " + e.operatorName + " at " + e.workstation + ", " + e.program + " " + e.version,
        "Event: " + e.uuid,
    };
    AddJsonLines(e.details, lines);
    return lines;
}

}  // namespace corvane::records
