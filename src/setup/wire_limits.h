#pragma once

#include <optional>
#include <string>

namespace corvane {

struct SensorData;

// What the sensor's encodings can carry. A setup value travels as a 16-bit whole number (the
// value times a scale, or its whole part) or as one byte; a value outside that range would reach
// the sensor wrapped round, so the setup windows refuse it where it is entered and the whole
// write refuses a setup that holds one.
struct WireBounds {
    double low;
    double high;      // for the operator's prompt: the values that fit
    double scale;     // the value is sent as value × scale, rounded as the encoder rounds
    bool wholePart;   // ... or as its whole part
    bool nineFifths;  // ... and then × 9 / 5 (the slope in Fahrenheit)
    bool Holds(double value) const;
};

// Values sent as value × 100 (the slope, the TDS factor, custom concentrations).
inline constexpr WireBounds kHundredths{0.0, 655.35, 100.0, false, false};
// The slope in Fahrenheit is sent as its hundredths × 9 / 5.
inline constexpr WireBounds kFahrenheitSlope{0.0, 364.08, 100.0, false, true};
// Custom conductivities, sent as value × 10.
inline constexpr WireBounds kTenths{0.0, 6553.5, 10.0, false, false};
// The 4 mA and 20 mA values, sent as their whole part.
inline constexpr WireBounds kWholeNumber{0.0, 65535.0, 1.0, true, false};

// The bounds of the temperature compensation slope in the given unit.
// (The encoder takes any unit other than 0 as Fahrenheit.)
inline const WireBounds& SlopeBounds(int fahrenheit) {
    return fahrenheit != 0 ? kFahrenheitSlope : kHundredths;
}

// The first value of `sensor` that the setup write could not send as it is, named as the
// operator knows it and with its bounds ("Output 1 20 mA value 70000 (0 to 65535)"); nothing
// when every value fits.
std::optional<std::string> UnsendableSetupValue(const SensorData& sensor);

}  // namespace corvane
