#include "framework/number_text.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

namespace corvane::fw {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// One printf conversion of a double: %[-+ 0][width][.precision][l](f|F|e|E|g|G). The '#' flag
// is not taken: the C library's own "%#g" differs from the C standard near a power of ten.
struct Conversion {
    bool leftAlign = false;  // '-'
    bool plusSign = false;   // '+'
    bool blankSign = false;  // ' '
    bool zeroPad = false;    // '0'
    std::size_t width = 0;
    int precision = 6;
    char kind = 'f';
};

[[noreturn]] void Unsupported(const char* format) {
    throw std::invalid_argument(std::string("FormatNumber: format \"") + format +
                                "\" is not one conversion of a double (%f, %e or %g)");
}

// Reads the digits at `at` as a count; the format is code, so its numbers are small.
int ReadCount(const char* format, std::size_t& at) {
    int count = 0;
    while (format[at] >= '0' && format[at] <= '9') {
        count = count * 10 + (format[at++] - '0');
        if (count > 10000) Unsupported(format);
    }
    return count;
}

// Parses the conversion whose '%' is at format[at]; leaves `at` just past it.
Conversion ParseConversion(const char* format, std::size_t& at) {
    Conversion c;
    ++at;
    for (;; ++at) {
        const char flag = format[at];
        if (flag == '-') {
            c.leftAlign = true;
        } else if (flag == '+') {
            c.plusSign = true;
        } else if (flag == ' ') {
            c.blankSign = true;
        } else if (flag == '0') {
            c.zeroPad = true;
        } else {
            break;
        }
    }
    c.width = static_cast<std::size_t>(ReadCount(format, at));
    if (format[at] == '.') {
        ++at;
        c.precision = ReadCount(format, at);
    }
    if (format[at] == 'l') ++at;  // "%lf" is "%f"
    switch (format[at]) {
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': break;
        default: Unsupported(format);
    }
    c.kind = format[at++];
    return c;
}

// std::to_chars into a string that grows until the text fits (a fixed 1e300 has 301 digits).
template <typename... Args>
std::string ToChars(double value, Args... args) {
    std::string text(64, '\0');
    for (;;) {
        const auto result = std::to_chars(text.data(), text.data() + text.size(), value, args...);
        if (result.ec == std::errc()) {
            text.resize(static_cast<std::size_t>(result.ptr - text.data()));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

// The digits of the conversion with its own sign ('-' only), as printf writes them in the C
// locale. std::to_chars is defined as printf in the C locale and never reads the locale.
std::string Body(const Conversion& c, double value) {
    std::string text;
    switch (c.kind) {
        case 'f':
        case 'F': text = ToChars(value, std::chars_format::fixed, c.precision); break;
        case 'e':
        case 'E': text = ToChars(value, std::chars_format::scientific, c.precision); break;
        default: text = ToChars(value, std::chars_format::general, c.precision); break;
    }
    if (c.kind == 'F' || c.kind == 'E' || c.kind == 'G') {
        for (char& ch : text) {
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        }
    }
    return text;
}

std::string Convert(const Conversion& c, double value) {
    std::string body = Body(c, value);
    std::string sign;
    if (!body.empty() && body.front() == '-') {
        sign = "-";
        body.erase(0, 1);
    } else if (c.plusSign) {
        sign = "+";
    } else if (c.blankSign) {
        sign = " ";
    }
    const std::size_t length = sign.size() + body.size();
    if (c.width <= length) return sign + body;
    const std::size_t fill = c.width - length;
    if (c.leftAlign) return sign + body + std::string(fill, ' ');
    if (c.zeroPad && std::isfinite(value)) return sign + std::string(fill, '0') + body;
    return std::string(fill, ' ') + sign + body;
}

}  // namespace

std::string FormatNumber(const char* format, double value) {
    std::string text;
    bool converted = false;
    for (std::size_t at = 0; format[at] != '\0';) {
        if (format[at] != '%') {
            text += format[at++];
        } else if (format[at + 1] == '%') {
            text += '%';
            at += 2;
        } else if (converted) {
            Unsupported(format);
        } else {
            text += Convert(ParseConversion(format, at), value);
            converted = true;
        }
    }
    return text;
}

std::string ShortestText(double value) {
    return ToChars(value, std::chars_format::general, 15);
}

double AsDisplayed(const char* format, double value) {
    return ParseNumber(FormatNumber(format, value)).value_or(0.0);
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

double LeadingNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && std::isfinite(value) ? value : 0.0;
}

}  // namespace corvane::fw
