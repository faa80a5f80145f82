#pragma once

#include <array>
#include <string_view>

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

}  // namespace corvane::lists
