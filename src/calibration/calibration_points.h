#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::calibration {

// What a step calibrates.
enum class StepKind { Conductivity, Temperature, Outputs };

// One step of a calibration: what the technician fits or does, the command that calibrates it
// and the confirmation texts, exactly as the Calibration page asks them.
struct StepPlan {
    StepKind kind = StepKind::Conductivity;
    std::string name;         // "Conductivity 92.5 mS/cm", "Temperature", "Current outputs 4 mA"
    int command = 0;          // the command table's entry that calibrates it
    double reference = 0.0;   // mS/cm, the true temperature (in the sensor's unit), or mA
    std::string instruction;  // "Use Red/Orange Loop Resistor (60 ohms)"
    std::string request;      // the question before the command goes out
    std::string cancelled;    // what No says
    std::string unit;         // "mS/cm", "°C" / "°F", "mA"
};

// The four conductivity points in the order a technician works through them: in air first,
// then from the smallest reference resistor's point upwards.
const std::vector<StepPlan>& ConductivityPoints();
// The point whose nominal value is `mS`, if it is one of the four (0, 9.25, 92.5, 925).
std::optional<StepPlan> ConductivityPoint(double mS);

// The temperature step against `trueValue` in the unit the sensor shows.
StepPlan TemperatureStep(double trueValue, bool fahrenheit);

// Both current outputs at `mA` (4 or 20), read on a DVM.
StepPlan OutputStep(int mA);

// The question asked before a conductivity point is calibrated with a reading `reading` (mS/cm)
// far from the point's reference: more than half the reference away, or above 5 mS/cm for the
// 0 point (the wrong resistor fitted, the probe still in a solution). Nothing when the reading
// is near enough, or when the step is not a conductivity point.
std::optional<std::string> FarFromReferenceQuestion(const StepPlan& plan, double reading);

// The question the page asks before calibrating the outputs at `mA`, and what No says.
std::string OutputsRequest(int mA);
std::string OutputsCancelled(int mA);

}  // namespace corvane::calibration
