#pragma once

#include <cstdint>
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

// The process liquid the virtual sensor sits in: conductivity and temperature drift slowly
// with a little noise, and the derived values (raw conductivity, concentration, output
// currents) follow the sensor's setup as a real transmitter's would.
class LiveProcess {
  public:
    // `conductivity` is the level (mS/cm, compensated) the liquid's conductivity swings about.
    explicit LiveProcess(std::uint32_t seed = 1, double conductivity = 48.0)
        : noise_(seed), conductivity_(conductivity) {}

    // Output test codes: bit 6 forces output 1, bit 7 output 2, bits 0..5 the current in mA;
    // 0 returns both outputs to normal.
    void ApplyTestCode(std::uint8_t code);

    // One-point temperature calibration: from now on the sensor reads `trueValue`, in the unit
    // it shows, where it would have read the temperature of the liquid at `seconds`.
    void CalibrateTemperature(const SetupMemory& setup, double trueValue, double seconds);
    // Back to the factory calibration.
    void ResetCalibrations() { temperatureOffset_ = 0.0; }

    Measurement Measure(const SetupMemory& setup, double seconds);

  private:
    double Noise(double amplitude);
    static double Celsius(double seconds);
    static double Concentration(const SetupMemory& setup, double condComp);
    static double OutputCurrent(const SetupMemory& setup, std::size_t sourceModeOffset,
                                std::size_t rangeOffset, const Measurement& m);

    std::mt19937 noise_;
    double conductivity_;
    int forcedOut1mA_ = 0;
    int forcedOut2mA_ = 0;
    double temperatureOffset_ = 0.0;  // °C added by the temperature calibration
};

}  // namespace corvane::sim
