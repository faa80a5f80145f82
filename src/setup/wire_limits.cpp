#include "setup/wire_limits.h"

#include <cmath>

#include "framework/number_text.h"
#include "link/sensor_data.h"

namespace corvane {
namespace {

constexpr double kLargestWord = 65535.0;
constexpr int kLargestByte = 255;

// The whole number a value becomes on the wire, with the encoder's rounding: a product within a
// millionth of a whole number counts as that number, anything else is cut toward zero.
std::optional<double> WireWhole(double value, double scale) {
    const double scaled = value * scale;
    if (!std::isfinite(scaled)) return std::nullopt;
    const double nearest = std::round(scaled);
    return std::fabs(scaled - nearest) < 1e-6 ? nearest : std::trunc(scaled);
}

std::string Describe(const std::string& name, double value, const WireBounds& bounds) {
    return name + " " + fw::ShortestText(value) + " (" + fw::ShortestText(bounds.low) + " to " +
           fw::ShortestText(bounds.high) + ")";
}

}  // namespace

bool WireBounds::Holds(double value) const {
    const auto whole =
        wholePart ? (std::isfinite(value) ? std::optional(std::trunc(value)) : std::nullopt)
                  : WireWhole(value, scale);
    if (!whole || *whole < 0.0) return false;
    return (nineFifths ? *whole * 9.0 / 5.0 : *whole) <= kLargestWord;
}

std::optional<std::string> UnsendableSetupValue(const SensorData& s) {
    const auto check = [](const std::string& name, double value,
                          const WireBounds& bounds) -> std::optional<std::string> {
        if (bounds.Holds(value)) return std::nullopt;
        return Describe(name, value, bounds);
    };
    const auto checkByte = [](const std::string& name, int value) -> std::optional<std::string> {
        if (value >= 0 && value <= kLargestByte) return std::nullopt;
        return name + " " + std::to_string(value) + " (0 to 255)";
    };
    std::optional<std::string> problem =
        check("Temp.Comp.Slope", s.TempCompSlope, SlopeBounds(s.TempFahrenheit));
    int number = 1;
    for (const CurrentOutput* out : {&s.Out1, &s.Out2}) {
        const std::string output = "Output " + std::to_string(number++);
        if (!problem) problem = check(output + " 4 mA value", out->At4mA, kWholeNumber);
        if (!problem) problem = check(output + " 20 mA value", out->At20mA, kWholeNumber);
        if (!problem) problem = checkByte(output + " averaging entry", out->Filter);
    }
    if (!problem) problem = check("TDS Factor", s.TdsFactor, kHundredths);
    if (!problem) problem = checkByte("Digital averaging entry", s.DigitalFilter);
    for (std::size_t k = 0; k < s.CustomConc.size() && !problem; ++k) {
        const std::string point = "Custom Range Point " + std::to_string(k + 1);
        problem = check(point + " concentration", s.CustomConc[k], kHundredths);
        if (!problem) problem = check(point + " conductivity", s.CustomCond[k], kTenths);
    }
    if (!problem) problem = checkByte("Number of custom range points", s.CustomRangePoints);
    return problem;
}

}  // namespace corvane
