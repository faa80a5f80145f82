#include "setup/setup_fields.h"

#include <algorithm>
#include <functional>

#include "framework/number_text.h"
#include "link/command_table.h"
#include "link/request_encoder.h"
#include "link/shared_records.h"
#include "resources/list_texts.h"
#include "setup/whole_setup.h"

namespace corvane {
namespace {

using fw::FormatNumber;

std::string Points(int count) {
    return std::to_string(count);
}

std::string OutputSource(const CurrentOutput& out) {
    return lists::Entry(lists::kOutputSources, out.Source,
                        "unknown source " + std::to_string(out.Source));
}

// The averaging byte as it is sent: 0 is off, else the averaging list's entry.
std::string Averaging(int filter) {
    if (filter == 0) return "Off";
    return lists::Entry(lists::kAveraging, filter, "unknown averaging " + std::to_string(filter));
}

std::string ErrorSignalling(const CurrentOutput& out) {
    if (out.ErrorSignal == 0) return "Off";
    return out.ErrorHigh == 0 ? "2 mA" : "22 mA";
}

std::string WithUnit(const std::string& value, const std::string& unit) {
    return unit.empty() ? value : value + " " + unit;
}

std::string DigitalFilters(const SensorData& s) {
    std::string on;
    const auto add = [&on](int flag, const char* name) {
        if (flag == 1) on += (on.empty() ? "" : ", ") + std::string(name);
    };
    add(s.CondFilterOn, "conductivity");
    add(s.ConcFilterOn, "concentration");
    add(s.TempFilterOn, "temperature");
    return on.empty() ? "Off" : on + " (" + Averaging(s.DigitalFilter) + ")";
}

struct FieldRow {
    SetupField field;
    std::function<std::string(const SensorData&)> text;
};

std::vector<FieldRow> OutputRows(int number, int command, const CurrentOutput SensorData::*out) {
    const std::string prefix = "Output " + std::to_string(number) + " ";
    return {
        {{prefix + "Source", command, 0, 1},
         [out](const SensorData& s) { return OutputSource(s.*out); }},
        {{prefix + "Error Signalling", command, 0, 1},
         [out](const SensorData& s) { return ErrorSignalling(s.*out); }},
        {{prefix + "Averaging", command, 1, 1},
         [out](const SensorData& s) { return Averaging((s.*out).Filter); }},
        {{prefix + "4 mA Value", command, 2, 2},
         [out](const SensorData& s) {
             return WithUnit(fw::ShortestText((s.*out).At4mA), (s.*out).Unit);
         }},
        {{prefix + "20 mA Value", command, 4, 2},
         [out](const SensorData& s) {
             return WithUnit(fw::ShortestText((s.*out).At20mA), (s.*out).Unit);
         }},
    };
}

const std::vector<FieldRow>& Rows() {
    static const std::vector<FieldRow> rows = [] {
        std::vector<FieldRow> all = {
            {{"Plant Number", WritePlantNumber, 0, 10},
             [](const SensorData& s) { return s.PlantNumber; }},
            {{"Temperature Unit", WriteTempSetup, 0, 1},
             [](const SensorData& s) {
                 return lists::Entry(lists::kTemperatureUnits, s.TempFahrenheit != 0 ? 1 : 0, "");
             }},
            {{"Temperature Compensation Base", WriteTempSetup, 0, 1},
             [](const SensorData& s) {
                 const auto& bases =
                     s.TempFahrenheit != 0 ? lists::kFahrenheitBases : lists::kCentigradeBases;
                 return lists::Entry(bases, s.TempCompBaseHigh != 0 ? 1 : 0, "");
             }},
            {{"Temperature Compensation Slope", WriteTempSetup, 1, 2},
             [](const SensorData& s) {
                 return FormatNumber("%.2f", s.TempCompSlope) +
                        (s.TempFahrenheit != 0 ? " % / °F" : " % / °C");
             }},
        };
        for (auto& row : OutputRows(1, WriteOutput1Setup, &SensorData::Out1)) all.push_back(row);
        for (auto& row : OutputRows(2, WriteOutput2Setup, &SensorData::Out2)) all.push_back(row);
        all.push_back({{"TDS Factor", WriteOutput1Setup, 6, 2},
                       [](const SensorData& s) { return FormatNumber("%.2f", s.TdsFactor); }});
        all.push_back({{"Digital Range", WriteDigitalSetup, 3, 1}, [](const SensorData& s) {
                           return lists::Entry(lists::kDigitalRanges, s.DigitalRange,
                                               "unknown range " + std::to_string(s.DigitalRange));
                       }});
        all.push_back({{"Digital Filters", WriteDigitalSetup, 0, 3},
                       [](const SensorData& s) { return DigitalFilters(s); }});
        all.push_back({{"Custom Range Text", WriteCustomText1, 0, 17},
                       [](const SensorData& s) { return s.CustomRangeText; }});
        // The second half of the text travels with the points in use.
        all.push_back({{"Custom Range Text (continued)", WriteCustomText2, 0, 16},
                       [](const SensorData& s) { return s.CustomRangeText; }});
        all.push_back({{"Custom Range Points", WriteCustomText2, 16, 1},
                       [](const SensorData& s) { return Points(s.CustomRangePoints); }});
        for (int n = 0; n < kCustomRangePointCount; ++n) {
            const auto i = static_cast<std::size_t>(n);
            const std::string point = std::to_string(n + 1);
            all.push_back(
                {{"Custom Point " + point + " Concentration", WriteCustomConc, 2 * n, 2},
                 [i](const SensorData& s) { return FormatNumber("%.2f", s.CustomConc[i]); }});
            all.push_back({{"Custom Point " + point + " Conductivity", WriteCustomCond, 2 * n, 2},
                           [i](const SensorData& s) {
                               return FormatNumber("%.1f", s.CustomCond[i]) + " mS/cm";
                           }});
        }
        return all;
    }();
    return rows;
}

const FieldRow& RowOf(const SetupField& field) {
    for (const FieldRow& row : Rows()) {
        if (row.field.name == field.name) return row;
    }
    return Rows().front();
}

// The payload bytes the write of `command` sends for `sensor`.
std::vector<std::uint8_t> Payload(int command, const SensorData& sensor) {
    SharedRecords scratch;
    scratch.Sensor = sensor;
    BuildRequest(scratch, command, LocalDate{});
    const auto begin = scratch.Link().TxFrame.begin() + 2;
    return {begin, begin + std::max(0, scratch.Link().RequestLength - 4)};
}

}  // namespace

const std::vector<SetupField>& SetupFields() {
    static const std::vector<SetupField> fields = [] {
        std::vector<SetupField> all;
        for (const FieldRow& row : Rows()) all.push_back(row.field);
        return all;
    }();
    return fields;
}

std::string FieldText(const SetupField& field, const SensorData& sensor) {
    return RowOf(field).text(sensor);
}

bool SameOnTheWire(const SetupField& field, const SensorData& a, const SensorData& b) {
    const auto first = Payload(field.command, a);
    const auto second = Payload(field.command, b);
    const auto begin = static_cast<std::size_t>(field.firstByte);
    const auto end = begin + static_cast<std::size_t>(field.byteCount);
    if (first.size() < end || second.size() < end) return first == second;
    return std::equal(first.begin() + static_cast<std::ptrdiff_t>(begin),
                      first.begin() + static_cast<std::ptrdiff_t>(end),
                      second.begin() + static_cast<std::ptrdiff_t>(begin));
}

std::vector<std::string> Differences(const SensorData& from, const SensorData& to) {
    std::vector<std::string> lines;
    for (const SetupField& field : SetupFields()) {
        if (!SameOnTheWire(field, from, to)) {
            lines.push_back(field.name + ": " + FieldText(field, from) + " -> " +
                            FieldText(field, to));
        }
    }
    return lines;
}

std::optional<std::string> FirstDifferingField(const SensorData& a, const SensorData& b) {
    for (const SetupField& field : SetupFields()) {
        if (!SameOnTheWire(field, a, b)) return field.name;
    }
    return std::nullopt;
}

std::vector<std::string> InfoLines(const SensorData& s, int address) {
    std::vector<std::string> lines = {
        "Device Address: " + std::to_string(address),
        "Serial Number: " + s.SerialNumber,
        "Installed Software Issue: " + s.InstallIssue,
        "Install Date: " + s.InstallDate,
        "Installed By: " + s.InstallName,
        "Software Issue: " + s.UpgradeIssue,
        "Upgrade Date: " + s.UpgradeDate,
        "Upgraded By: " + s.UpgradeName,
        "Calibration Date: " + s.CalibrationDate,
        "Calibrated By: " + s.CalibrationName,
    };
    for (const FieldRow& row : Rows()) {
        if (row.field.name == "Custom Range Text (continued)") continue;  // listed once
        lines.push_back(row.field.name + ": " + row.text(s));
    }
    return lines;
}

void NameSetupEntries(SensorData& s) {
    for (CurrentOutput* out : {&s.Out1, &s.Out2}) {
        out->SourceName = lists::Entry(lists::kOutputSources, out->Source, "");
        out->Unit = out->Source == lists::kTemperatureSource
                        ? s.TempUnit
                        : lists::Entry(lists::kOutputSourceUnits, out->Source, "");
        out->FilterName = lists::Entry(lists::kAveraging, out->Filter, "");
    }
    s.DigitalRangeName = lists::Entry(lists::kDigitalRanges, s.DigitalRange, "");
    s.DigitalUnit = lists::Entry(lists::kDigitalRangeUnits, s.DigitalRange, "");
    s.DigitalFilterName = lists::Entry(lists::kAveraging, s.DigitalFilter, "");
}

}  // namespace corvane
