#include "calibration/calibration_points.h"

#include <cmath>

#include "framework/number_text.h"
#include "link/command_table.h"

namespace corvane::calibration {

const std::vector<StepPlan>& ConductivityPoints() {
    static const std::vector<StepPlan> points = {
        {StepKind::Conductivity, "Conductivity 0 mS/cm", CalibrateCondZero, 0.0,
         "Remove Loop Resistors (Sensor in Air)",
         "Calibrate 0 mS/cm ?\n\nRemove Loop Resistors (Sensor in Air)",
         "Calibrate 0 mS/cm Cancelled !", "mS/cm"},
        {StepKind::Conductivity, "Conductivity 9.25 mS/cm", CalibrateCond9_25, 9.25,
         "Use Red/Yellow Loop Resistor (600 ohms)",
         "Calibrate 9.25 mS/cm ?\n\nUse Red/Yellow Loop Resistor (600 ohms)",
         "Calibrate 9.25 mS/cm Cancelled !", "mS/cm"},
        {StepKind::Conductivity, "Conductivity 92.5 mS/cm", CalibrateCond92_5, 92.5,
         "Use Red/Orange Loop Resistor (60 ohms)",
         "Calibrate 92.5 mS/cm ?\n\nUse Red/Orange Loop Resistor (60 ohms)",
         "Calibrate 92.5 mS/cm Cancelled !", "mS/cm"},
        {StepKind::Conductivity, "Conductivity 925 mS/cm", CalibrateCond925, 925.0,
         "Use Red/Blue Loop Resistor (6 ohms)",
         "Calibrate 925 mS/cm ?\n\nUse Red/Blue Loop Resistor (6 ohms)",
         "Calibrate 925 mS/cm Cancelled !", "mS/cm"},
    };
    return points;
}

std::optional<StepPlan> ConductivityPoint(double mS) {
    for (const StepPlan& point : ConductivityPoints()) {
        if (std::fabs(point.reference - mS) < 1e-9) return point;
    }
    return std::nullopt;
}

StepPlan TemperatureStep(double trueValue, bool fahrenheit) {
    return {StepKind::Temperature,
            "Temperature",
            CalibrateTemperature,
            trueValue,
            "Put the sensor in a bath of known temperature and enter its true temperature",
            "To Calibrate the Temperature,\n\nEnter the true sensor Temperature\n\n in the "
            "Corvane Control Centre !",
            "Reset Sensor Calibrations Cancelled !",
            fahrenheit ? "°F" : "°C"};
}

StepPlan OutputStep(int mA) {
    return {StepKind::Outputs,
            "Current outputs " + std::to_string(mA) + " mA",
            CalibrateOutputs,
            static_cast<double>(mA),
            "Read both loop currents on a DVM",
            OutputsRequest(mA),
            OutputsCancelled(mA),
            "mA"};
}

std::optional<std::string> FarFromReferenceQuestion(const StepPlan& plan, double reading) {
    if (plan.kind != StepKind::Conductivity) return std::nullopt;
    constexpr double kZeroPointLimit = 5.0;  // mS/cm
    const bool far = plan.reference == 0.0
                         ? std::fabs(reading) > kZeroPointLimit
                         : std::fabs(reading - plan.reference) > 0.5 * plan.reference;
    if (!far) return std::nullopt;
    return "The Sensor Reads " + fw::FormatNumber("%.1f", reading) +
           " mS/cm, Far From The Calibration Point Of " + fw::FormatNumber("%g", plan.reference) +
           " mS/cm !\n\nCheck The Loop Resistor Fitted.\n\nDo You Want To Calibrate Anyway ?";
}

std::string OutputsRequest(int mA) {
    return "To Calibrate the " + std::to_string(mA) +
           " mA,\n\nEnter DVM values in Control Centre !";
}

std::string OutputsCancelled(int mA) {
    return "Calibrate " + std::to_string(mA) + " mA Cancelled !";
}

}  // namespace corvane::calibration
