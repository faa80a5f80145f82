#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::sim {

// One line of the virtual sensor's control language: what a technician does to the sensor on
// the bench, as opposed to what the program asks it over the line.
//
//   reference 92.5     fits a reference loop resistor giving that raw conductivity, in mS/cm
//                      (any number from 0; 0 is the sensor in air)
//   reference none     takes the reference off: the sensor is back in its liquid
//   bath 25.0          holds the sensor's temperature at that many °C (from -273.15)
//   bath none          takes the sensor out of the bath
//   error -2           the sensor reads conductivity that many percent off the truth until it
//                      is calibrated (above -100, up to 1000)
//
// Blank lines and lines starting with '#' are comments and change nothing. Words are separated
// by spaces or tabs; the keywords and "none" may be written in any case.
struct ControlLine {
    enum class Kind { Comment, Reference, Bath, Error };
    Kind kind = Kind::Comment;
    // The number the line gives; none for "reference none", "bath none" and comments.
    std::optional<double> value;
};

// Parses one control line. Returns the line, or std::nullopt with `message` set to a one-line
// explanation of why it was refused.
std::optional<ControlLine> ParseControlLine(std::string_view line, std::string& message);

}  // namespace corvane::sim
