#pragma once

// Calibration events as the programs record them, for the certificate's tests: those of the
// Calibration page and those of the guided calibration.
#include <algorithm>
#include <string>
#include <vector>

#include "records/service_event.h"

namespace corvane::records::testing {

inline ServiceEvent CalibrationEvent(const std::string& uuid, const std::string& time,
                                     const std::string& details) {
    ServiceEvent e;
    e.uuid = uuid;
    e.timeUtc = time;
    e.operatorName = "A. Tech";
    e.workstation = "bench-2";
    e.program = "corvane-control-centre";
    e.version = "1.4.0";
    e.sensor = {"VX0100", "TANK-7", 3, "/dev/ttyUSB0", "2.0200", true};
    e.kind = kind::kCalibration;
    e.summary = "calibration";
    e.details = details;
    return e;
}

// A reading window of the Calibration page: `polls` readings around `mean`.
inline std::string Window(const std::string& reading, double mean, int polls = 40,
                          double spread = 0.1) {
    DetailsBuilder window;
    window.Text("reading", reading)
        .Text("from", "2026-12-08T10:15:26.885Z")
        .Text("to", "2026-12-08T10:15:36.885Z")
        .Integer("polls", polls);
    if (polls > 0) {
        window.Number("mean", mean)
            .Number("std_dev", 0.02)
            .Number("min", mean - spread / 2)
            .Number("max", mean + spread / 2);
    }
    return window.Build();
}

inline ServiceEvent PageConductivity(const std::string& uuid, const std::string& time, int point,
                                     double nominal, double found, double left,
                                     int leftPolls = 40) {
    return CalibrationEvent(uuid, time,
                            DetailsBuilder()
                                .Text("calibration", "conductivity")
                                .Integer("point", point)
                                .Number("nominal_mS_cm", nominal)
                                .Text("confirmation", "confirmed by the sensor")
                                .Json("as_found", Window("cond_no_tc", found))
                                .Json("as_left", Window("cond_no_tc", left, leftPolls))
                                .Build());
}

inline ServiceEvent PageTemperature(const std::string& uuid, const std::string& time,
                                    double trueValue, const std::string& unit, double found,
                                    double left) {
    return CalibrationEvent(uuid, time,
                            DetailsBuilder()
                                .Text("calibration", "temperature")
                                .Number("true_value", trueValue)
                                .Text("unit", unit)
                                .Text("confirmation", "confirmed by the sensor")
                                .Json("as_found", Window("temperature", found))
                                .Json("as_left", Window("temperature", left))
                                .Build());
}

inline ServiceEvent PageOutputs(const std::string& uuid, const std::string& time, int mA,
                                double first, double second) {
    return CalibrationEvent(uuid, time,
                            DetailsBuilder()
                                .Text("calibration", "outputs")
                                .Integer("point_mA", mA)
                                .Number("output1_reading_mA", first)
                                .Number("output2_reading_mA", second)
                                .Text("confirmation", "confirmed by the sensor")
                                .Json("as_found", Window("output1_mA", mA))
                                .Json("as_left", Window("output1_mA", mA))
                                .Build());
}

inline ServiceEvent PageReset(const std::string& uuid, const std::string& time) {
    return CalibrationEvent(uuid, time,
                            DetailsBuilder()
                                .Text("calibration", "reset to default")
                                .Text("confirmation", "confirmed by the sensor")
                                .Json("as_found", Window("cond_no_tc", 90.0))
                                .Json("as_left", Window("cond_no_tc", 92.0))
                                .Build());
}

// One row of a guided step: `left` below zero stands for null.
struct GuidedRow {
    std::string name;
    double reference;
    std::string unit;
    double found;
    double left;
    double deviation;
    std::string deviationUnit;
    double tolerance;
    std::string verdict;
};

inline std::string GuidedRowJson(const GuidedRow& r) {
    const std::string null = "null";
    return "{" + JsonString("name") + ":" + JsonString(r.name) + "," + JsonString("reference") +
           ":" + std::to_string(r.reference) + "," + JsonString("unit") + ":" + JsonString(r.unit) +
           "," + JsonString("as_found") + ":" + std::to_string(r.found) + "," +
           JsonString("as_left") + ":" + (r.left < 0 ? null : std::to_string(r.left)) + "," +
           JsonString("deviation") + ":" + (r.left < 0 ? null : std::to_string(r.deviation)) + "," +
           JsonString("deviation_unit") + ":" + JsonString(r.deviationUnit) + "," +
           JsonString("tolerance") + ":" + std::to_string(r.tolerance) + "," +
           JsonString("verdict") + ":" + JsonString(r.verdict) + "}";
}

// A step of the guided calibration run `run`, the page's members beside its own.
inline ServiceEvent GuidedStep(const std::string& uuid, const std::string& time,
                               const std::string& run, bool adjusted,
                               const std::vector<GuidedRow>& rows, double temperature = 22.13) {
    std::string list = "[";
    for (const GuidedRow& row : rows) list += (list.size() > 1 ? "," : "") + GuidedRowJson(row);
    list += "]";
    const std::string limit = std::to_string(rows.front().tolerance);
    const std::string stability =
        R"({"as_found":{"seconds":10.4,"polls":31,"spread":0.1,"limit":)" + limit + "}," +
        R"("as_left":{"seconds":10.2,"polls":30,"spread":0.0,"limit":)" + limit + "}}";
    const std::string guided = DetailsBuilder()
                                   .Text("run", run)
                                   .Flag("adjusted", adjusted)
                                   .Json("rows", list)
                                   .Number("temperature", temperature)
                                   .Text("temperature_unit",
                                         "\xc2\xb0"
                                         "C")
                                   .Json("stability", stability)
                                   .Build();
    return CalibrationEvent(uuid, time,
                            DetailsBuilder()
                                .Text("calibration", "conductivity")
                                .Integer("point", 2)
                                .Number("nominal_mS_cm", rows.front().reference)
                                .Text("confirmation", "confirmed by the sensor")
                                .Json("as_found", Window("cond_no_tc", rows.front().found))
                                .Json("as_left", Window("cond_no_tc", rows.front().found))
                                .Json("guided", guided)
                                .Build());
}

// A service record held in memory, as a store answers.
struct HeldEvents : EventHistory {
    std::optional<std::vector<ServiceEvent>> Events(const EventFilter& f, std::string&) override {
        std::vector<ServiceEvent> found;
        for (const ServiceEvent& e : events) {
            if (!f.serialNumber.empty() && e.sensor.serialNumber != f.serialNumber) continue;
            if (!f.kind.empty() && e.kind != f.kind) continue;
            if (!f.uuid.empty() && e.uuid != f.uuid) continue;
            found.push_back(e);
        }
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.timeUtc > b.timeUtc; });
        return found;
    }
    std::optional<std::vector<SensorIdentity>> Sensors(std::string&) override {
        return std::vector<SensorIdentity>{};
    }
    std::uint64_t WrittenCount() const override { return events.size(); }
    std::vector<ServiceEvent> events;
};

}  // namespace corvane::records::testing
