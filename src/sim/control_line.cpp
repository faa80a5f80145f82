#include "sim/control_line.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>
#include <vector>

namespace corvane::sim {
namespace {

constexpr std::size_t kQuotedLength = 40;
constexpr double kAbsoluteZero = -273.15;
constexpr double kLowestErrorPercent = -100.0;  // excluded: the sensor would read nothing
constexpr double kHighestErrorPercent = 1000.0;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string Lower(std::string_view word) {
    std::string lower(word);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The text as it may be shown in a one-line message: shortened, unprintable bytes as '?'.
std::string Quoted(std::string_view text) {
    std::string shown;
    for (const char c : text.substr(0, kQuotedLength)) {
        const auto byte = static_cast<unsigned char>(c);
        shown.push_back(byte >= 0x20 && byte < 0x7F ? c : '?');
    }
    if (text.size() > kQuotedLength) shown += "...";
    return "'" + shown + "'";
}

// A finite decimal number taking the whole word; an optional leading '+' is allowed.
std::optional<double> Number(std::string_view word) {
    if (word.size() > 1 && word.front() == '+' && word[1] != '-' && word[1] != '+') {
        word.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(word.data(), word.data() + word.size(), value, std::chars_format::general);
    if (error != std::errc{} || end != word.data() + word.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ControlLine> ParseControlLine(std::string_view line, std::string& message) {
    const std::vector<std::string_view> words = Words(line);
    if (words.empty() || words.front().front() == '#') return ControlLine{};

    const std::string keyword = Lower(words.front());
    std::string what;
    ControlLine parsed;
    if (keyword == "reference") {
        parsed.kind = ControlLine::Kind::Reference;
        what = "a raw conductivity in mS/cm (0 or more) or none";
    } else if (keyword == "bath") {
        parsed.kind = ControlLine::Kind::Bath;
        what = "a temperature in °C (-273.15 or more) or none";
    } else if (keyword == "error") {
        parsed.kind = ControlLine::Kind::Error;
        what = "a percentage above -100 and at most 1000";
    } else {
        message = "unknown control line " + Quoted(line) +
                  ": expected reference, bath or error followed by a value";
        return std::nullopt;
    }
    if (words.size() == 1) {
        message = keyword + ": missing value; expected " + what;
        return std::nullopt;
    }
    if (words.size() > 2) {
        message = keyword + ": one value expected, not " + Quoted(line);
        return std::nullopt;
    }
    const std::string_view word = words[1];
    if (parsed.kind != ControlLine::Kind::Error && Lower(word) == "none") return parsed;

    const std::optional<double> value = Number(word);
    bool inRange = value.has_value();
    if (inRange) {
        switch (parsed.kind) {
            case ControlLine::Kind::Reference: inRange = *value >= 0.0; break;
            case ControlLine::Kind::Bath: inRange = *value >= kAbsoluteZero; break;
            case ControlLine::Kind::Error:
                inRange = *value > kLowestErrorPercent && *value <= kHighestErrorPercent;
                break;
            case ControlLine::Kind::Comment: break;
        }
    }
    if (!inRange) {
        message = keyword + ": expected " + what + ", not " + Quoted(word);
        return std::nullopt;
    }
    // "-0" would otherwise be kept with its sign.
    parsed.value = *value == 0.0 ? 0.0 : *value;
    return parsed;
}

}  // namespace corvane::sim
