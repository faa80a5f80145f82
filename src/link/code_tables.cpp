#include "link/code_tables.h"

#include <array>

namespace corvane {
namespace {

constexpr std::array<int, 12> kSourceCodes = {14, 15, 13, 1, 2, 3, 6, 5, 4, 7, 9, 8};
constexpr std::array<int, 10> kDigitalCodes = {0, 1, 2, 3, 6, 5, 4, 7, 9, 8};

constexpr int kTemperatureSourceCode = 13;
constexpr int kTemperatureSourceIndex = 2;

}  // namespace

int SourceCodeFromIndex(int index) {
    if (index < 0 || index >= static_cast<int>(kSourceCodes.size())) {
        return kTemperatureSourceCode;
    }
    return kSourceCodes[static_cast<std::size_t>(index)];
}

int SourceIndexFromCode(int code) {
    for (std::size_t i = 0; i < kSourceCodes.size(); ++i) {
        if (kSourceCodes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return kTemperatureSourceIndex;
}

int DigitalCodeFromIndex(int index) {
    if (index < 0 || index >= static_cast<int>(kDigitalCodes.size())) {
        return 0;
    }
    return kDigitalCodes[static_cast<std::size_t>(index)];
}

int DigitalIndexFromCode(int code) {
    for (std::size_t i = 0; i < kDigitalCodes.size(); ++i) {
        if (kDigitalCodes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::string DigitalUnitForIndex(int index) {
    if (index == 0) {
        return "";
    }
    if (index == 7 || index == 9) {
        return "p.p.t.";
    }
    return "%";
}

}  // namespace corvane
