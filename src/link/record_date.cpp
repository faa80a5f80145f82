#include "link/record_date.h"

#include <array>
#include <cstdio>

#include "framework/host.h"

namespace corvane {

std::string RecordDateText(const fw::DateTime& now) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const auto day = static_cast<std::size_t>(((now.weekday % 7) + 7) % 7);
    const auto month = static_cast<std::size_t>(((now.month + 11) % 12 + 12) % 12);
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), " %s, %02d %s %04d at %02d:%02d", kDays[day], now.day,
                  kMonths[month], now.year, now.hour, now.minute);
    return text.data();
}

}  // namespace corvane
