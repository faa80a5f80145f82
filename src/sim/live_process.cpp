#include "sim/live_process.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane::sim {
namespace {

using Offset = SetupMemory::Offset;

// Settling older than this many time constants has died away (below a millionth of a step of
// 10^12) and is dropped.
constexpr double kSettledAfterTimeConstants = 50.0;

std::int16_t ToWire(double value, double scale) {
    if (std::isnan(value)) return 0;
    const double scaled = std::clamp(std::round(value * scale), -32768.0, 32767.0);
    return static_cast<std::int16_t>(scaled);
}

double Wave(double seconds, double period) {
    return std::sin(2.0 * std::numbers::pi * seconds / period);
}

// Concentration per mS/cm of compensated conductivity, by digital range code.
double ConcentrationFactor(int code) {
    switch (code) {
        case 1: return 0.065;  // sodium chloride, %
        case 2: return 0.025;  // sodium hydroxide, %
        case 3: return 0.018;  // hydrochloric acid, %
        case 4: return 0.020;  // nitric acid, %
        case 5: return 0.100;  // phosphoric acid, %
        case 6: return 0.030;  // sulphuric acid, %
        case 7: return 0.750;  // sea water, p.p.t.
        default: return 0.0;
    }
}

}  // namespace

void LiveProcess::ApplyTestCode(std::uint8_t code) {
    const int mA = code & 0x3F;
    if (code == 0) {
        forcedOut1mA_ = 0;
        forcedOut2mA_ = 0;
    }
    if ((code & 0x40) != 0) {
        forcedOut1mA_ = mA;
    }
    if ((code & 0x80) != 0) {
        forcedOut2mA_ = mA;
    }
}

double LiveProcess::Celsius(double seconds) {
    return 22.0 + 1.5 * Wave(seconds, 600.0);
}

double LiveProcess::Transient::At(double seconds, double timeConstantS) const {
    const double elapsed = std::max(0.0, seconds - sinceS);
    if (size == 0.0 || elapsed > kSettledAfterTimeConstants * timeConstantS) return 0.0;
    return size * std::exp(-elapsed / timeConstantS);
}

double LiveProcess::LiquidConductivity(double seconds) const {
    return conductivity_ + 2.0 * Wave(seconds, 300.0);
}

double LiveProcess::CompensationFactor(const SetupMemory& setup, double celsius) {
    const int flags = setup.Byte(Offset::TempFlags);
    const double base = (flags & 0x02) != 0 ? 25.0 : 20.0;
    const double slope = setup.Word(Offset::Slope) / 100.0;  // stored in percent per °C
    return 1.0 + slope / 100.0 * (celsius - base);
}

double LiveProcess::SensedCelsius(double seconds) const {
    const double target = bath_ ? *bath_ : Celsius(seconds);
    return target + temperatureTransient_.At(seconds, kTemperatureTimeConstantS);
}

double LiveProcess::RawTarget(const SetupMemory& setup, double seconds) const {
    if (reference_) return *reference_;
    return LiquidConductivity(seconds) *
           CompensationFactor(setup, SensedCelsius(seconds) + temperatureOffset_);
}

double LiveProcess::SensedRaw(const SetupMemory& setup, double seconds) const {
    return RawTarget(setup, seconds) +
           conductivityTransient_.At(seconds, kConductivityTimeConstantS);
}

void LiveProcess::FitReference(const SetupMemory& setup, std::optional<double> rawConductivity,
                               double seconds) {
    const double before = SensedRaw(setup, seconds);
    reference_ = rawConductivity;
    const double step = before - RawTarget(setup, seconds);
    conductivityTransient_ = {std::isfinite(step) ? step : 0.0, seconds};
}

// The liquid's raw conductivity follows the temperature the sensor has, which stays continuous:
// only the temperature settles.
void LiveProcess::PlaceInBath(std::optional<double> celsius, double seconds) {
    const double before = SensedCelsius(seconds);
    bath_ = celsius;
    const double step = before - (bath_ ? *bath_ : Celsius(seconds));
    temperatureTransient_ = {std::isfinite(step) ? step : 0.0, seconds};
}

void LiveProcess::SetConductivityError(double percent) {
    factoryGain_ = 1.0 + percent / 100.0;
    gain_ = factoryGain_;
    zero_ = 0.0;
}

void LiveProcess::CalibrateTemperature(const SetupMemory& setup, double trueValue, double seconds) {
    const bool fahrenheit = (setup.Byte(Offset::TempFlags) & 0x01) != 0;
    const double trueCelsius = fahrenheit ? (trueValue - 32.0) / 1.8 : trueValue;
    temperatureOffset_ = trueCelsius - SensedCelsius(seconds);
}

void LiveProcess::CalibrateConductivity(const SetupMemory& setup, double nominal, double seconds) {
    const double sensed = SensedRaw(setup, seconds);
    if (!std::isfinite(sensed)) return;
    if (nominal == 0.0) {
        zero_ = -gain_ * sensed;
        return;
    }
    if (sensed < kSmallestSpanReading) return;
    const double gain = (nominal - zero_) / sensed;
    if (std::isfinite(gain) && gain > 0.0) gain_ = gain;
}

void LiveProcess::ResetCalibrations() {
    temperatureOffset_ = 0.0;
    gain_ = factoryGain_;
    zero_ = 0.0;
}

double LiveProcess::Noise(double amplitude) {
    std::uniform_real_distribution<double> spread(-amplitude, amplitude);
    return spread(noise_);
}

double LiveProcess::Concentration(const SetupMemory& setup, double condComp) {
    const int code = setup.Byte(Offset::DigitalCode);
    if (code == 8) {  // total dissolved solids, p.p.t.
        return condComp * setup.Word(Offset::TdsFactor) / 100.0;
    }
    if (code == 9) {  // custom range: interpolate the points in use
        const int points = std::clamp<int>(setup.Byte(Offset::CustomPoints), 0, 9);
        double lastCond = 0.0;
        double lastConc = 0.0;
        for (int n = 0; n < points; ++n) {
            const double cond = setup.Word(Offset::CustomCond + 2 * n) / 10.0;
            const double conc = setup.Word(Offset::CustomConc + 2 * n) / 100.0;
            if (condComp <= cond && cond > lastCond) {
                return lastConc + (conc - lastConc) * (condComp - lastCond) / (cond - lastCond);
            }
            lastCond = cond;
            lastConc = conc;
        }
        return lastConc;
    }
    return condComp * ConcentrationFactor(code);
}

double LiveProcess::OutputCurrent(const SetupMemory& setup, std::size_t sourceModeOffset,
                                  std::size_t rangeOffset, const Measurement& m) {
    const int source = setup.Byte(sourceModeOffset) & 0x0F;
    const bool conductivity = source == 14 || source == 15;
    const double divisor = conductivity ? 10.0 : 100.0;
    const double at4 = setup.Word(rangeOffset) / divisor;
    const double at20 = setup.Word(rangeOffset + 2) / divisor;
    double value = 0.0;
    switch (source) {
        case 14: value = m.condRawTenths / 10.0; break;
        case 15: value = m.condCompTenths / 10.0; break;
        case 13: value = m.temperatureHundredths / 100.0; break;
        default: value = m.concentrationHundredths / 100.0; break;
    }
    if (at20 == at4) {
        return 4.0;
    }
    return std::clamp(4.0 + 16.0 * (value - at4) / (at20 - at4), 3.8, 20.5);
}

Measurement LiveProcess::Measure(const SetupMemory& setup, double seconds) {
    const double celsius = SensedCelsius(seconds) + temperatureOffset_ + Noise(bath_ ? 0.01 : 0.02);
    const double factor = CompensationFactor(setup, celsius);
    // A factor near or below zero (a steep slope far below its base) would divide to nonsense.
    const double divisor = std::max(factor, 0.01);
    double condRaw = 0.0;
    double condComp = 0.0;
    if (reference_) {
        condRaw = SensedRaw(setup, seconds) + Noise(0.0002 * *reference_ + 0.02);
        condComp = condRaw / divisor;
    } else {
        // The liquid: its compensated conductivity swings, the raw one follows the temperature;
        // after a reference has come off, what is left of the settling is added to the raw one.
        condComp = LiquidConductivity(seconds) + Noise(0.05);
        const double settling = conductivityTransient_.At(seconds, kConductivityTimeConstantS);
        condRaw = condComp * factor + settling;
        if (settling != 0.0) condComp = condRaw / divisor;
    }
    // What the sensor reads, through its calibration.
    condRaw = gain_ * condRaw + zero_;
    condComp = gain_ * condComp + zero_ / divisor;
    const bool fahrenheit = (setup.Byte(Offset::TempFlags) & 0x01) != 0;

    Measurement m;
    m.condRawTenths = ToWire(condRaw, 10.0);
    m.condCompTenths = ToWire(condComp, 10.0);
    m.temperatureHundredths = ToWire(fahrenheit ? celsius * 1.8 + 32.0 : celsius, 100.0);
    m.concentrationHundredths = ToWire(Concentration(setup, condComp), 100.0);

    const double out1 = forcedOut1mA_ != 0
                            ? forcedOut1mA_
                            : OutputCurrent(setup, Offset::Out1SourceMode, Offset::Out1Range, m);
    const double out2 = forcedOut2mA_ != 0
                            ? forcedOut2mA_
                            : OutputCurrent(setup, Offset::Out2SourceMode, Offset::Out2Range, m);
    m.out1MicroAmps = static_cast<std::uint16_t>(std::lround(out1 * 1000.0));
    m.out2MicroAmps = static_cast<std::uint16_t>(std::lround(out2 * 1000.0));
    return m;
}

}  // namespace corvane::sim
