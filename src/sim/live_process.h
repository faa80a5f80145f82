#pragma once

#include <cstdint>
#include <optional>
#include <random>

#include "sim/setup_memory.h"

namespace corvane::sim {

// Raw values of one measurement, as the poll reply carries them.
struct Measurement {
    std::int16_t condRawTenths = 0;
    std::int16_t condCompTenths = 0;
    std::int16_t temperatureHundredths = 0;
    std::int16_t concentrationHundredths = 0;
    std::uint16_t out1MicroAmps = 0;
    std::uint16_t out2MicroAmps = 0;
};

// What the virtual sensor measures. By default it sits in a process liquid whose conductivity and
// temperature drift slowly with a little noise; on the bench a technician may instead fit a
// reference loop resistor in place of the cell (a known raw conductivity) or hold the sensor in
// a temperature bath. The derived values (compensated conductivity, concentration, output
// currents) follow the sensor's setup as a real transmitter's would.
//
// Settling: the sensor does not see a change of what it measures at once. When a reference is
// fitted or taken off, or the bath entered or left, the raw conductivity and the temperature the
// sensor measures move from the value they had at that moment towards the new one as a
// first-order lag (time constants below). The lag is computed exactly from the time elapsed
// since the change, so the readings do not depend on how often the sensor is polled. The sensor
// starts settled in its liquid, whose slow swing it follows without lag.
//
// Conductivity calibration: the sensor reads raw conductivity as gain × (what it measures) +
// zero; the compensated value follows from that reading. A sensor with a conductivity error
// leaves the factory with its gain that many percent off; calibrating at a span point sets the
// gain, and at the zero point the zero, so that the present reading becomes the point's nominal
// value, whatever is fitted and however far the sensor has settled. Reset returns to the factory
// state, the error included.
class LiveProcess {
  public:
    static constexpr double kConductivityTimeConstantS = 3.0;
    static constexpr double kTemperatureTimeConstantS = 8.0;
    // A span calibration while the sensor measures less than this (mS/cm) leaves the gain as it
    // was: there is nothing to scale.
    static constexpr double kSmallestSpanReading = 0.001;

    // `conductivity` is the level (mS/cm, compensated) the liquid's conductivity swings about.
    explicit LiveProcess(std::uint32_t seed = 1, double conductivity = 48.0)
        : noise_(seed), conductivity_(conductivity) {}

    // Output test codes: bit 6 forces output 1, bit 7 output 2, bits 0..5 the current in mA;
    // 0 returns both outputs to normal.
    void ApplyTestCode(std::uint8_t code);

    // Fits a reference giving `rawConductivity` mS/cm (0: the sensor in air) at `seconds`, or
    // with none takes it off and returns the sensor to its liquid. While a reference is fitted
    // the sensor measures it as its raw ("no T/C") conductivity, with little noise.
    void FitReference(const SetupMemory& setup, std::optional<double> rawConductivity,
                      double seconds);
    // Holds the sensor's temperature at `celsius` from `seconds` on, or with none returns it to
    // the liquid's temperature.
    void PlaceInBath(std::optional<double> celsius, double seconds);
    std::optional<double> Reference() const { return reference_; }
    std::optional<double> Bath() const { return bath_; }

    // The sensor reads conductivity (raw and compensated) `percent` percent off the truth (-2:
    // two percent low) until calibrated; also what a reset returns to. Replaces any conductivity
    // calibration made so far.
    void SetConductivityError(double percent);
    double ConductivityError() const { return (factoryGain_ - 1.0) * 100.0; }

    // One-point temperature calibration: from now on the sensor reads `trueValue`, in the unit
    // it shows, where it would have read the temperature it measures at `seconds`.
    void CalibrateTemperature(const SetupMemory& setup, double trueValue, double seconds);
    // Conductivity calibration at `seconds`: at a span point (`nominal` above 0, mS/cm) the gain
    // is set so that the present raw reading, without noise, becomes `nominal`; at the zero point
    // (`nominal` 0) the zero is set so that it becomes 0.
    void CalibrateConductivity(const SetupMemory& setup, double nominal, double seconds);
    // Back to the factory calibration.
    void ResetCalibrations();

    Measurement Measure(const SetupMemory& setup, double seconds);

  private:
    // The part of a measured value still settling after a change: `size` at `sinceS`, decaying
    // with the time constant.
    struct Transient {
        double size = 0.0;
        double sinceS = 0.0;
        double At(double seconds, double timeConstantS) const;
    };

    double Noise(double amplitude);
    static double Celsius(double seconds);
    double LiquidConductivity(double seconds) const;
    static double CompensationFactor(const SetupMemory& setup, double celsius);
    // The temperature the sensor's element has (°C, settling, without calibration and noise).
    double SensedCelsius(double seconds) const;
    // The raw conductivity the sensor settles towards, and the one it measures (settling,
    // before its calibration, without noise).
    double RawTarget(const SetupMemory& setup, double seconds) const;
    double SensedRaw(const SetupMemory& setup, double seconds) const;
    static double Concentration(const SetupMemory& setup, double condComp);
    static double OutputCurrent(const SetupMemory& setup, std::size_t sourceModeOffset,
                                std::size_t rangeOffset, const Measurement& m);

    std::mt19937 noise_;
    double conductivity_;
    int forcedOut1mA_ = 0;
    int forcedOut2mA_ = 0;
    double temperatureOffset_ = 0.0;  // °C added by the temperature calibration
    std::optional<double> reference_;
    std::optional<double> bath_;
    Transient conductivityTransient_;  // mS/cm, raw
    Transient temperatureTransient_;   // °C
    double factoryGain_ = 1.0;
    double gain_ = 1.0;
    double zero_ = 0.0;  // mS/cm, raw
};

}  // namespace corvane::sim
