#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::fw {

// Numbers as the pages show and read them, always in the C locale whatever the user's locale:
// a decimal point, no grouping. They are built on std::to_chars and std::from_chars, which never
// read the locale, so a program whose locale writes a decimal comma still shows and reads points.

// printf-style formatting of one double, e.g. FormatNumber("%.2f", 2.0) == "2.00": the text is
// exactly what printf writes in the C locale, however long ("%.1f" of 1e300 has 303 characters).
// The format holds one conversion %[-+ 0][width][.precision][l](f|F|e|E|g|G) amid literal text
// and "%%"; any other format throws std::invalid_argument.
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
