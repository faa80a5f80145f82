#include "platform/local_time.h"

#include <gtest/gtest.h>

#include "scoped_time_zone.h"

namespace corvane::platform {
namespace {

constexpr std::time_t kMidwinter = 1'768'478'400;  // 2026-01-15 12:00:00 UTC, a Thursday
constexpr std::time_t kMidsummer = 1'782'907'200;  // 2026-07-01 12:00:00 UTC, a Wednesday

struct Reading {
    int year, month, day, hour, minute, second, weekday, dayOfYear;
    bool operator==(const Reading&) const = default;
};

Reading Of(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     tm.tm_wday, tm.tm_yday};
}

void PrintTo(const Reading& r, std::ostream* out) {
    *out << r.year << '-' << r.month << '-' << r.day << ' ' << r.hour << ':' << r.minute << ':'
         << r.second << " weekday " << r.weekday << " day " << r.dayOfYear;
}

TEST(UtcCalendar, readsAnyMomentIncludingBeforeTheEpochAndLeapDays) {
    EXPECT_EQ(Of(UtcCalendar(0)), (Reading{1970, 1, 1, 0, 0, 0, 4, 0}));
    EXPECT_EQ(Of(UtcCalendar(-1)), (Reading{1969, 12, 31, 23, 59, 59, 3, 364}));
    EXPECT_EQ(Of(UtcCalendar(1'709'164'800)), (Reading{2024, 2, 29, 0, 0, 0, 4, 59}));
    EXPECT_EQ(Of(UtcCalendar(1'796'000'000)), (Reading{2026, 11, 30, 0, 53, 20, 1, 333}));
}

// The offset comes from the system's own reading of the local time, whatever it writes for
// "%z" (Windows writes the zone's name there), in both directions from UTC and in parts of an
// hour.
TEST(UtcOffset, eastAndWestOfUtcInWholeAndPartHours) {
    const struct {
        const char* zone;
        int offset;
    } kZones[] = {
        {"UTC0", 0},                      //
        {"CET-1", 3600},                  // east
        {"JST-9", 9 * 3600},              //
        {"IST-5:30", 5 * 3600 + 1800},    // east, part of an hour
        {"EST5", -5 * 3600},              // west
        {"NST3:30", -(3 * 3600 + 1800)},  // west, part of an hour
    };
    for (const auto& [zone, offset] : kZones) {
        const ScopedTimeZone scoped(zone);
        EXPECT_EQ(UtcOffsetSeconds(kMidwinter), offset) << zone;
        // The local reading is the UTC reading moved by the offset.
        EXPECT_EQ(Of(LocalCalendar(kMidwinter)), Of(UtcCalendar(kMidwinter + offset))) << zone;
    }
}

// In a test of its own: Wine's C library keeps no summer time for a zone set after one without.
TEST(UtcOffset, followsSummerTime) {
    const ScopedTimeZone scoped("EST5EDT");
    EXPECT_EQ(UtcOffsetSeconds(kMidwinter), -5 * 3600);
    EXPECT_EQ(UtcOffsetSeconds(kMidsummer), -4 * 3600);
    EXPECT_EQ(Of(LocalCalendar(kMidsummer)), (Reading{2026, 7, 1, 8, 0, 0, 3, 181}));
}

}  // namespace
}  // namespace corvane::platform
