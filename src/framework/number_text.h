#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::fw {

// Numbers as the pages show and read them, always in the C locale whatever the user's locale:
// a decimal point, no grouping.

// printf-style formatting of one double, e.g. Format("%.2f", 2.0) == "2.00".
std::string FormatNumber(const char* format, double value);
// "%.15g": up to 15 significant digits, shortest form, trailing zeros dropped (4.00 -> "4").
std::string ShortestText(double value);
// A value passed through its display format: Format, then read back.
double AsDisplayed(const char* format, double value);

// The whole text as a number (surrounding blanks allowed); nothing when it is not one.
std::optional<double> ParseNumber(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);
// The leading numeric part of a text, as the C library's atof reads it; 0 when there is none.
double LeadingNumber(std::string_view text);

}  // namespace corvane::fw
