#include "framework/clock.h"

#include <ctime>

namespace corvane::fw {

std::chrono::system_clock::time_point Clock::PreciseNow() const {
    return TimePointOf(Now());
}

std::chrono::system_clock::time_point TimePointOf(const DateTime& now) {
    std::tm local{};
    local.tm_year = now.year - 1900;
    local.tm_mon = now.month - 1;
    local.tm_mday = now.day;
    local.tm_hour = now.hour;
    local.tm_min = now.minute;
    local.tm_sec = now.second;
    local.tm_isdst = -1;  // as the calendar has it on that day
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

}  // namespace corvane::fw
