#include "page_kit/configuration_summary.h"

#include "framework/number_text.h"
#include "link/sensor_data.h"

namespace corvane {
namespace {

std::string OneDecimal(double value) {
    return fw::FormatNumber("%.1f", value);
}
std::string TwoDecimals(double value) {
    return fw::FormatNumber("%.2f", value);
}

std::string OutputLine(int number, const CurrentOutput& out) {
    return "Current Output " + std::to_string(number) + ":  " + out.SourceName +
           "     4 mA :  " + OneDecimal(out.At4mA) + " " + out.Unit +
           "     20 mA :  " + OneDecimal(out.At20mA) + " " + out.Unit;
}

}  // namespace

std::vector<std::string> MainConfigurationLines(const SensorData& s) {
    return {
        "Software Issue:  " + s.UpgradeIssue + "             Installed on:  " + s.UpgradeDate,
        OutputLine(1, s.Out1),
        OutputLine(2, s.Out2),
        "Temp.Comp.Slope:  " + TwoDecimals(s.TempCompSlope) + " " + s.TempSlopeUnit + "         " +
            s.TempCompBaseText,
        "Monitoring Device ID " + std::to_string(s.DeviceId),
    };
}

std::vector<std::string> MonitorConfigurationLines(const SensorData& s) {
    return {
        "Current Output 1 :",
        " " + s.Out1.SourceName,
        "  4 mA : " + OneDecimal(s.Out1.At4mA) + " " + s.Out1.Unit,
        "  20 mA : " + OneDecimal(s.Out1.At20mA) + " " + s.Out1.Unit,
        "Current Output 2 :",
        " " + s.Out2.SourceName,
        "  4 mA : " + OneDecimal(s.Out2.At4mA) + " " + s.Out2.Unit,
        "  20 mA : " + OneDecimal(s.Out2.At20mA) + " " + s.Out2.Unit,
        "Temp.Comp.Slope:  " + TwoDecimals(s.TempCompSlope) + " " + s.TempSlopeUnit,
        " " + s.TempCompBaseText,
        "Monitoring Device ID " + std::to_string(s.DeviceId),
    };
}

}  // namespace corvane
