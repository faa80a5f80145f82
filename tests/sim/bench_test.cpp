// The virtual sensor on the bench: a fitted reference, a temperature bath, settling, the
// conductivity error and the calibrations that remove it, and the control lines.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "encoded_request.h"
#include "framework/headless/virtual_clock.h"
#include "link/command_table.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"
#include "sim/control_line.h"
#include "sim/virtual_sensor.h"

namespace corvane::sim {
namespace {

using fw::kMillisecond;
using fw::kSecond;

struct Reading {
    double raw = 0.0;   // mS/cm, "no T/C"
    double comp = 0.0;  // mS/cm
    double celsius = 0.0;
};

// A sensor at address 0 talked to as the program talks to it.
class Bench {
  public:
    Reading Poll(std::int64_t nowUs) {
        const auto reply = sensor.HandleFrame(RequestFor(r, PollMeasurement), nowUs);
        EXPECT_TRUE(reply.has_value());
        if (!reply) return {};
        const auto word = [&](std::size_t at) {
            return static_cast<std::int16_t>(reply->bytes[at] << 8 | reply->bytes[at + 1]);
        };
        return {word(2) / 10.0, word(4) / 10.0, word(6) / 100.0};
    }
    void Send(int command, std::int64_t nowUs) {
        ASSERT_TRUE(sensor.HandleFrame(RequestFor(r, command), nowUs).has_value());
    }
    void Control(const std::string& line, std::int64_t atUs) {
        ASSERT_EQ(sensor.Control(line, atUs), "") << line;
    }

    VirtualSensor sensor{0};
    SharedRecords r;
};

// Compensated from raw with the factory setup: 2 %/°C about 25 °C.
double Compensated(double raw, double celsius) {
    return raw / (1.0 + 0.02 * (celsius - 25.0));
}

TEST(BenchSettling, fittedReferenceIsApproachedAsAFirstOrderLagAndThenReadsSteady) {
    Bench bench;
    const double before = bench.Poll(10 * kSecond).raw;
    bench.Control("reference 925", 10 * kSecond);
    const double tau = LiveProcess::kConductivityTimeConstantS;
    for (const double after : {0.5 * tau, tau, 2.0 * tau}) {
        const auto at = 10 * kSecond + static_cast<std::int64_t>(after * 1e6);
        const double expected = 925.0 + (before - 925.0) * std::exp(-after / tau);
        EXPECT_NEAR(bench.Poll(at).raw, expected, 0.5) << after << " s after fitting";
    }
    // Settled: the raw reading stands still on the wire (±0.205 noise), the compensated one
    // follows the liquid's temperature.
    for (int s = 60; s < 70; ++s) {
        const Reading m = bench.Poll(s * kSecond);
        EXPECT_NEAR(m.raw, 925.0, 0.3) << s;
        EXPECT_NEAR(m.comp, Compensated(925.0, m.celsius), 0.6) << s;
    }

    // Off again: back to the liquid's 48 ± 2 mS/cm (compensated) after settling.
    bench.Control("reference none", 70 * kSecond);
    EXPECT_GT(bench.Poll(71 * kSecond).comp, 300.0) << "still settling";
    EXPECT_NEAR(bench.Poll(110 * kSecond).comp, 48.0, 2.2);
}

TEST(BenchSettling, readingsDoNotDependOnHowOftenTheSensorIsPolled) {
    Bench often;
    Bench seldom;
    often.Control("reference 925", 5 * kSecond);
    seldom.Control("reference 925", 5 * kSecond);
    // One polled every 50 ms, the other at irregular, long intervals; compared where both poll.
    std::int64_t next = 5 * kSecond;
    for (const std::int64_t gapMs : {1700, 40, 2900, 600, 3300}) {
        const std::int64_t until = next + gapMs * kMillisecond;
        for (std::int64_t t = next; t < until; t += 50 * kMillisecond) often.Poll(t);
        next = until;
        const double a = often.Poll(next).raw;
        const double b = seldom.Poll(next).raw;
        EXPECT_NEAR(a, b, 0.6) << "at " << next / 1000 << " ms";
    }
    // A change made before any poll settles from the moment it is made.
    Bench fresh;
    fresh.Control("reference 92.5", 0);
    EXPECT_NEAR(fresh.Poll(60 * kSecond).raw, 92.5, 0.05);
}

TEST(BenchSettling, bathHoldsTheTemperatureAfterItsOwnLag) {
    Bench bench;
    const double before = bench.Poll(20 * kSecond).celsius;
    bench.Control("bath 40", 20 * kSecond);
    const double tau = LiveProcess::kTemperatureTimeConstantS;
    EXPECT_NEAR(bench.Poll(20 * kSecond + static_cast<std::int64_t>(tau * 1e6)).celsius,
                40.0 + (before - 40.0) * std::exp(-1.0), 0.05);
    for (int s = 200; s < 205; ++s) EXPECT_NEAR(bench.Poll(s * kSecond).celsius, 40.0, 0.015);

    // The temperature calibration takes the bath's temperature as the sensor measures it.
    bench.r.Service.CalTrueTemperature = 40.5;
    bench.Send(CalibrateTemperature, 205 * kSecond);
    EXPECT_NEAR(bench.Poll(206 * kSecond).celsius, 40.5, 0.015);

    bench.Control("bath none", 210 * kSecond);
    EXPECT_GT(bench.Poll(211 * kSecond).celsius, 30.0) << "still settling";
    EXPECT_NEAR(bench.Poll(300 * kSecond).celsius, 22.5, 1.6);
}

class BenchCalibration : public ::testing::Test {
  protected:
    void SetUp() override { bench.Control("error -2", 0); }

    // Fits `reference` at `atS` and returns the raw reading once settled (a minute later).
    double SettledAt(const std::string& reference, int atS) {
        bench.Control("reference " + reference, atS * kSecond);
        return bench.Poll((atS + 60) * kSecond).raw;
    }

    Bench bench;
};

TEST_F(BenchCalibration, spanPointRemovesTheErrorAcrossTheRangeUntilReset) {
    EXPECT_NEAR(SettledAt("92.5", 0), 92.5 * 0.98, 0.1);
    bench.Send(CalibrateCond92_5, 61 * kSecond);
    EXPECT_NEAR(bench.Poll(62 * kSecond).raw, 92.5, 92.5 * 0.002);
    // The gain was corrected, not an offset: the other points read true as well.
    EXPECT_NEAR(SettledAt("925", 70), 925.0, 925.0 * 0.002);
    EXPECT_NEAR(SettledAt("9.25", 140), 9.25, 0.06);

    bench.Send(ResetCalibration, 210 * kSecond);
    EXPECT_NEAR(bench.Poll(211 * kSecond).raw, 9.25 * 0.98, 0.08);
    EXPECT_NEAR(SettledAt("925", 220), 925.0 * 0.98, 0.3);
}

TEST_F(BenchCalibration, calibratingWhileTheReadingStillSettlesOrOnTheWrongReferenceLeavesAnError) {
    bench.Control("reference 92.5", 10 * kSecond);
    bench.Send(CalibrateCond92_5, 11 * kSecond);  // a third of the way from the liquid's 48
    const double drifted = SettledAt("92.5", 20);
    EXPECT_GT(std::abs(drifted - 92.5), 92.5 * 0.05) << drifted;

    bench.Send(ResetCalibration, 100 * kSecond);
    SettledAt("9.25", 100);
    bench.Send(CalibrateCond92_5, 161 * kSecond);  // the 9.25 reference fitted
    EXPECT_NEAR(bench.Poll(162 * kSecond).raw, 92.5, 0.3);
    EXPECT_NEAR(SettledAt("92.5", 170), 925.0, 1.0) << "ten times too high";
}

TEST_F(BenchCalibration, zeroPointTakesThePresentReadingAsZero) {
    EXPECT_NEAR(SettledAt("0.5", 0), 0.5 * 0.98, 0.06);
    bench.Send(CalibrateCondZero, 61 * kSecond);
    EXPECT_NEAR(bench.Poll(62 * kSecond).raw, 0.0, 0.06);
    // The zero is taken off every reading; a span calibration afterwards keeps it.
    EXPECT_NEAR(SettledAt("92.5", 70), (92.5 - 0.5) * 0.98, 0.1);
    bench.Send(CalibrateCond92_5, 131 * kSecond);
    EXPECT_NEAR(bench.Poll(132 * kSecond).raw, 92.5, 92.5 * 0.002);
    EXPECT_NEAR(SettledAt("0.5", 140), 0.0, 0.06);
}

TEST_F(BenchCalibration, spanPointWithNothingToScaleLeavesTheGain) {
    bench.Control("reference 0", 0);
    bench.Send(CalibrateCond925, 60 * kSecond);
    const Reading m = bench.Poll(61 * kSecond);
    EXPECT_NEAR(m.raw, 0.0, 0.06);
    EXPECT_NEAR(m.comp, 0.0, 0.06);
    EXPECT_NEAR(SettledAt("92.5", 70), 92.5 * 0.98, 0.1);
}

TEST(ControlLines, acceptedLinesAndComments) {
    struct Case {
        const char* line;
        ControlLine::Kind kind;
        std::optional<double> value;
    };
    using K = ControlLine::Kind;
    const Case cases[] = {
        {"reference 92.5", K::Reference, 92.5},
        {"  Reference\t9.25 \r", K::Reference, 9.25},
        {"reference 0", K::Reference, 0.0},
        {"reference +1e3", K::Reference, 1000.0},
        {"reference none", K::Reference, std::nullopt},
        {"reference NONE", K::Reference, std::nullopt},
        {"bath 25.0", K::Bath, 25.0},
        {"bath -5", K::Bath, -5.0},
        {"bath none", K::Bath, std::nullopt},
        {"error -2", K::Error, -2.0},
        {"error 0", K::Error, 0.0},
        {"", K::Comment, std::nullopt},
        {"   \t", K::Comment, std::nullopt},
        {"# fit the 925 loop next", K::Comment, std::nullopt},
        {"  #reference 3", K::Comment, std::nullopt},
    };
    for (const Case& c : cases) {
        std::string message;
        const auto parsed = ParseControlLine(c.line, message);
        ASSERT_TRUE(parsed.has_value()) << c.line << ": " << message;
        EXPECT_EQ(parsed->kind, c.kind) << c.line;
        EXPECT_EQ(parsed->value, c.value) << c.line;
        EXPECT_EQ(message, "") << c.line;
    }
}

TEST(ControlLines, malformedLinesAreRefusedWithOneLineAndChangeNothing) {
    VirtualSensor sensor(0);
    sensor.Control("reference 92.5");
    sensor.Control("bath 30");
    const std::string bad[] = {
        "reference",           "reference abc",   "reference -1",   "reference nan",
        "reference inf",       "reference 1e400", "reference 0x10", "reference 5mS",
        "reference 1 2",       "reference -none", "bath",           "bath -300",
        "bath warm",           "error",           "error -100",     "error none",
        "error 1001",          "calibrate 925",   "referencex 3",   "\x01\x02 3",
        std::string(500, 'x'),
    };
    for (const std::string& line : bad) {
        const std::string message = sensor.Control(line);
        EXPECT_FALSE(message.empty()) << line;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        EXPECT_LT(message.size(), 160u) << message;
    }
    EXPECT_EQ(sensor.Process().Reference(), 92.5);
    EXPECT_EQ(sensor.Process().Bath(), 30.0);
    EXPECT_EQ(sensor.Process().ConductivityError(), 0.0);
    EXPECT_NE(sensor.Control("reference"), sensor.Control("unknown 3")) << "says what is wrong";
}

}  // namespace
}  // namespace corvane::sim
