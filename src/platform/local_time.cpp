#include "platform/local_time.h"

#include <chrono>

namespace corvane::platform {
namespace {

using namespace std::chrono;

sys_seconds AsUtc(const std::tm& reading) {
    const sys_days date = year{reading.tm_year + 1900} /
                          month{static_cast<unsigned>(reading.tm_mon + 1)} /
                          day{static_cast<unsigned>(reading.tm_mday)};
    return date + hours{reading.tm_hour} + minutes{reading.tm_min} + seconds{reading.tm_sec};
}

}  // namespace

std::tm LocalCalendar(std::time_t moment) {
    std::tm reading{};
#ifdef _WIN32
    const bool known = localtime_s(&reading, &moment) == 0;
#else
    const bool known = localtime_r(&moment, &reading) != nullptr;
#endif
    return known ? reading : UtcCalendar(moment);
}

std::tm UtcCalendar(std::time_t moment) {
    const sys_seconds time{seconds{moment}};
    const sys_days date = floor<days>(time);
    const year_month_day ymd{date};
    const hh_mm_ss clock{time - date};
    std::tm reading{};
    reading.tm_year = static_cast<int>(ymd.year()) - 1900;
    reading.tm_mon = static_cast<int>(static_cast<unsigned>(ymd.month())) - 1;
    reading.tm_mday = static_cast<int>(static_cast<unsigned>(ymd.day()));
    reading.tm_hour = static_cast<int>(clock.hours().count());
    reading.tm_min = static_cast<int>(clock.minutes().count());
    reading.tm_sec = static_cast<int>(clock.seconds().count());
    reading.tm_wday = static_cast<int>(weekday{date}.c_encoding());
    reading.tm_yday = static_cast<int>((date - sys_days{ymd.year() / January / 1}).count());
    reading.tm_isdst = 0;
    return reading;
}

int UtcOffsetSeconds(std::time_t moment) {
    // The local wall-clock reading taken as if it were UTC, less the moment itself.
    const sys_seconds wall = AsUtc(LocalCalendar(moment));
    return static_cast<int>((wall - sys_seconds{seconds{moment}}).count());
}

}  // namespace corvane::platform
