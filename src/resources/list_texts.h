#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The fixed list texts that the pages show and the stored records refer to by index.
namespace corvane::lists {

// Sources a current output can follow, by list index.
inline constexpr std::array<std::string_view, 12> kOutputSources = {
    "Conductivity no T.C. (mS/cm)",
    "Conductivity with T.C. (mS/cm)",
    "Temperature",
    "Sodium Chloride (maximum 30.9%)",
    "Sodium Hydroxide (maximum 16.2%)",
    "Hydrochloric acid (maximum 15.0%)",
    "Sulphuric acid (maximum 25.7%)",
    "Phosphoric acid (maximum 25.0%)",
    "Nitric acid (maximum 24.65%)",
    "Sea Water Salinity (maximum 41.3 ppt)",
    "Custom User Range",
    "Total Dissolved Solids (p.p.t.)",
};

// Concentrations the digital output can report, by list index.
inline constexpr std::array<std::string_view, 10> kDigitalRanges = {
    "Concentration Not Used",    "Sodium Chloride (30.9%)", "Sodium Hydroxide (16.2%)",
    "Hydrochloric acid (15.0%)", "Sulphuric acid (25.7%)",  "Phosphoric acid (25.0%)",
    "Nitric acid (24.65%)",      "Sea Water (41.3 ppt)",    "Custom User Range",
    "Total Dissolved Solids",
};

// Averaging periods shared by the output filters and the digital filters, by list index.
inline constexpr std::array<std::string_view, 9> kAveraging = {
    "1 second average",  "2 second average",  "5 second average",
    "10 second average", "20 second average", "1 minute average",
    "2 minute average",  "5 minute average",  "10 minute average",
};

// The unit each output source implies, by list index; the temperature source (index 2) takes
// the sensor's temperature unit instead.
inline constexpr int kTemperatureSource = 2;
inline constexpr std::array<std::string_view, 12> kOutputSourceUnits = {
    "mS/cm", "mS/cm", "", "%", "%", "%", "%", "%", "%", "p.p.t.", "%", "p.p.t.",
};
inline constexpr int kTdsSource = 11;

// The unit each digital range implies, by list index.
inline constexpr std::array<std::string_view, 10> kDigitalRangeUnits = {
    "", "%", "%", "%", "%", "%", "%", "p.p.t.", "%", "p.p.t.",
};
inline constexpr int kTdsDigitalRange = 9;

// Temperature units, and the two compensation bases of each (lower, higher).
inline constexpr std::array<std::string_view, 2> kTemperatureUnits = {"Degrees Centigrade",
                                                                      "Degrees Fahrenheit"};
inline constexpr std::array<std::string_view, 2> kCentigradeBases = {"Temp.Comp.Base 20 °C",
                                                                     "Temp.Comp.Base 25 °C"};
inline constexpr std::array<std::string_view, 2> kFahrenheitBases = {"Temp.Comp.Base 68 °F",
                                                                     "Temp.Comp.Base 77 °F"};

// A list's texts, for filling a list or drop-down list.
template <std::size_t N>
std::vector<std::string> Items(const std::array<std::string_view, N>& texts) {
    return {texts.begin(), texts.end()};
}

// The text of entry `index`, or `missing` for an index outside the list.
template <std::size_t N>
std::string Entry(const std::array<std::string_view, N>& texts, int index,
                  std::string_view missing) {
    return std::string(index >= 0 && index < static_cast<int>(N)
                           ? texts[static_cast<std::size_t>(index)]
                           : missing);
}

}  // namespace corvane::lists
