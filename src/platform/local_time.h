#pragma once

#include <ctime>

namespace corvane::platform {

// The calendar reading of `moment` (seconds since 1970 UTC) on this computer's clock: its time
// zone and summer time, or the zone the TZ variable names. Where the system cannot tell (Windows
// knows no local time before 1970 or after 3000), the reading is in UTC.
std::tm LocalCalendar(std::time_t moment);

// The calendar reading of `moment` in UTC, for any moment (computed, not asked of the system).
std::tm UtcCalendar(std::time_t moment);

// How far this computer's clock is ahead of UTC at `moment`, in seconds: 3600 in Central
// European winter time, -18000 in US Eastern winter time, 19800 in India. The difference of the
// two calendar readings above, so it is 0 where the local reading fell back to UTC.
int UtcOffsetSeconds(std::time_t moment);

}  // namespace corvane::platform
