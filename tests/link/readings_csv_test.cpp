#include "link/readings_csv.h"

#include <gtest/gtest.h>

#include <ctime>

#include "link/shared_records.h"
#include "scoped_time_zone.h"

namespace corvane {
namespace {

using std::chrono::system_clock;

using TimeZone = ScopedTimeZone;

system_clock::time_point At(std::time_t seconds, int millis) {
    return system_clock::from_time_t(seconds) + std::chrono::milliseconds(millis);
}

TEST(ReadingsCsv, timesAreLocalWithMillisecondsAndTheirOffset) {
    {
        TimeZone zone("UTC0");
        EXPECT_EQ(IsoLocalTime(At(0, 7)), "1970-01-01T00:00:00.007+00:00");
    }
    {
        TimeZone zone("CET-1");
        EXPECT_EQ(IsoLocalTime(At(1'796'000'000, 120)), "2026-11-30T01:53:20.120+01:00");
    }
    {
        TimeZone zone("IST-5:30");  // offsets that are not whole hours keep their minutes
        EXPECT_EQ(IsoLocalTime(At(0, 999)), "1970-01-01T05:30:00.999+05:30");
    }
    {
        TimeZone zone("EST5");  // west of UTC
        EXPECT_EQ(IsoLocalTime(At(1'796'000'000, 120)), "2026-11-29T19:53:20.120-05:00");
    }
    {
        TimeZone zone("NST3:30");
        EXPECT_EQ(IsoLocalTime(At(1'796'000'000, 0)), "2026-11-29T21:23:20.000-03:30");
    }
}

// In a test of its own: Wine's C library keeps no summer time for a zone set after one without.
TEST(ReadingsCsv, summerTimeShowsInTheTimeAndItsOffset) {
    TimeZone zone("EST5EDT");
    EXPECT_EQ(IsoLocalTime(At(1'782'907'200, 5)), "2026-07-01T08:00:00.005-04:00");
    EXPECT_EQ(IsoLocalTime(At(1'768'478'400, 5)), "2026-01-15T07:00:00.005-05:00");
}

TEST(ReadingsCsv, aRowCarriesTheReadingsAtTheirPrecisionAndTheSensorsStatusLines) {
    TimeZone zone("UTC0");
    SharedRecords r;
    r.Sensor.CondRaw = 123.4;
    r.Sensor.CondComp = -0.1;
    r.Sensor.Temperature = 25.0;
    r.Sensor.Concentration = 1.23;
    r.Sensor.Out1Current = 4.0;
    r.Sensor.Out2Current = 20.125;
    r.Slots.Set(8, "Msg 08..Sensor Comms OK   /");  // a link line, not the sensor's status
    r.Slots.Set(21, "Msg 21..Output 1 > 22 mA");
    r.Slots.Set(12, "Msg 12..Cond Over-rng");

    const ReadingRow row = RowOfAnsweredPoll(r, At(60, 0));
    EXPECT_EQ(ReadingsCsvLine(row),
              "1970-01-01T00:01:00.000+00:00,123.4,-0.1,25.00,1.23,4.000,20.125,"
              "Msg 12..Cond Over-rng;Msg 21..Output 1 > 22 mA");

    r.Slots.ClearAll();
    EXPECT_EQ(ReadingsCsvLine(RowOfAnsweredPoll(r, At(60, 0))),
              "1970-01-01T00:01:00.000+00:00,123.4,-0.1,25.00,1.23,4.000,20.125,");
}

TEST(ReadingsCsv, aStatusFieldWithASeparatorOrQuoteIsQuoted) {
    TimeZone zone("UTC0");
    ReadingRow row;
    row.time = At(0, 0);
    row.Status = {"Msg 80..a, b", "say \"x\""};
    const std::string line = ReadingsCsvLine(row);
    EXPECT_EQ(line.substr(line.find(",0.000,0.000,") + 13), "\"Msg 80..a, b;say \"\"x\"\"\"");
    // Every row has exactly as many fields as the header, outside quoted text.
    int commas = 0;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) ++commas;
    }
    EXPECT_EQ(commas, 7);
}

}  // namespace
}  // namespace corvane
