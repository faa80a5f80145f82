#pragma once

#include <string>

namespace corvane {
namespace fw {
struct DateTime;
}  // namespace fw

// The date and time the sensor's records show for a download or a calibration, as the C
// library's strftime writes " %a, %d %b %Y at %H:%M" in the C locale, whatever the user's
// locale: " Mon, 07 Dec 2026 at 14:05". The Software, Factory and Calibration pages stamp it.
std::string RecordDateText(const fw::DateTime& now);

}  // namespace corvane
