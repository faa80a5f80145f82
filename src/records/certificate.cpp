#include "records/certificate.h"

#include <QBuffer>
#include <QDateTime>
#include <QFont>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

#include "framework/atomic_file.h"

namespace corvane::records {
namespace {

// Reads the details of one event; the first member that is missing or of the wrong type is
// said in `error`, naming the event and the member.
// The most polls a reading window can hold (a day of polls, five a second), and the most
// calibration points a sensor has.
constexpr int kMostPolls = 5 * 24 * 3600;
constexpr int kMostPoints = 99;

class DetailsReader {
  public:
    DetailsReader(const ServiceEvent& event, std::string& error) : event_(event), error_(error) {}

    std::optional<QJsonObject> Parse() {
        QJsonParseError parsed{};
        const QJsonDocument document =
            QJsonDocument::fromJson(QByteArray::fromStdString(event_.details), &parsed);
        if (parsed.error != QJsonParseError::NoError) {
            Fail("are not valid JSON (" + parsed.errorString().toStdString() + " at character " +
                 std::to_string(parsed.offset) + ")");
            return std::nullopt;
        }
        if (!document.isObject()) {
            Fail("are no JSON object");
            return std::nullopt;
        }
        return document.object();
    }

    std::optional<double> Number(const QJsonObject& object, const char* key,
                                 const std::string& where = "") {
        const QJsonValue value = object.value(key);
        if (value.isDouble()) return value.toDouble();
        Lacks(key, where, value.isUndefined() ? "" : "a number");
        return std::nullopt;
    }

    // A whole number from `low` to `high` (a count); anything else, 1e300 included, is an error.
    std::optional<int> Count(const QJsonObject& object, const char* key, const std::string& where,
                             int low, int high) {
        const auto value = Number(object, key, where);
        if (!value) return std::nullopt;
        if (!(*value >= low && *value <= high) || *value != std::floor(*value)) {
            Lacks(key, where,
                  "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
            return std::nullopt;
        }
        return static_cast<int>(*value);
    }

    // A number, or nothing when the member is null; missing or of another type is an error.
    bool NumberOrNull(const QJsonObject& object, const char* key, const std::string& where,
                      std::optional<double>& out) {
        const QJsonValue value = object.value(key);
        if (value.isNull()) return true;
        if (value.isDouble()) {
            out = value.toDouble();
            return true;
        }
        Lacks(key, where, value.isUndefined() ? "" : "a number or null");
        return false;
    }

    std::optional<std::string> Text(const QJsonObject& object, const char* key,
                                    const std::string& where = "") {
        const QJsonValue value = object.value(key);
        if (value.isString()) return value.toString().toStdString();
        Lacks(key, where, value.isUndefined() ? "" : "a text");
        return std::nullopt;
    }

    std::optional<QJsonObject> Object(const QJsonObject& object, const char* key,
                                      const std::string& where = "") {
        const QJsonValue value = object.value(key);
        if (value.isObject()) return value.toObject();
        Lacks(key, where, value.isUndefined() ? "" : "an object");
        return std::nullopt;
    }

    void Fail(const std::string& what) {
        if (error_.empty()) error_ = "the details of the event " + event_.uuid + " " + what;
    }

  private:
    void Lacks(const char* key, const std::string& where, const std::string& wanted) {
        const std::string name = where.empty() ? key : where + "." + key;
        Fail(wanted.empty() ? "lack the member \"" + name + "\""
                            : "give \"" + name + "\" as something other than " + wanted);
    }

    const ServiceEvent& event_;
    std::string& error_;
};

bool Failed(const ServiceEvent& event) {
    return event.result == result::kFailed;
}

std::string FailureOf(const QJsonObject& details) {
    const QString failure = details.value("failure").toString();
    return failure.isEmpty() ? "not confirmed by the sensor" : failure.toStdString();
}

// A reading window of the Calibration page: its mean, and how long and how still it was read.
bool ReadWindow(DetailsReader& reader, const QJsonObject& details, const char* key,
                std::optional<double>& value, std::optional<Stability>& stability) {
    const auto window = reader.Object(details, key);
    if (!window) return false;
    const auto polls = reader.Count(*window, "polls", key, 0, kMostPolls);
    if (!polls) return false;
    Stability figures;
    figures.polls = *polls;
    const QDateTime from =
        QDateTime::fromString(window->value("from").toString(), Qt::ISODateWithMs);
    const QDateTime to = QDateTime::fromString(window->value("to").toString(), Qt::ISODateWithMs);
    if (from.isValid() && to.isValid())
        figures.seconds = static_cast<double>(from.msecsTo(to)) / 1000.0;
    if (figures.polls > 0) {
        const auto mean = reader.Number(*window, "mean", key);
        if (!mean) return false;
        value = *mean;
        const QJsonValue low = window->value("min");
        const QJsonValue high = window->value("max");
        if (low.isDouble() && high.isDouble()) figures.spread = high.toDouble() - low.toDouble();
    }
    stability = figures;
    return true;
}

// The deviation of the value as left, and the verdict, of a point of the Calibration page.
void Judge(CertificatePoint& point, bool percent) {
    if (point.asLeft) {
        const double off = *point.asLeft - point.reference;
        // Near a reference of 0 a share of it says nothing: the deviation is in mS/cm there.
        if (percent && std::fabs(point.reference) >= tolerance::kConductivityFloor_mS_cm) {
            point.deviation = off / point.reference * 100.0;
            point.deviationUnit = "%";
        } else {
            point.deviation = off;
            point.deviationUnit = point.unit;
        }
        // A margin for the rounding of the stored values, far below any tolerance.
        point.verdict = std::fabs(off) <= point.tolerance + 1e-9 ? Verdict::Pass : Verdict::Fail;
    } else {
        point.verdict = Verdict::NotVerified;
    }
}

void MarkFailed(CertificatePoint& point, const QJsonObject& details) {
    point.verdict = Verdict::Fail;
    point.failure = FailureOf(details);
}

// The points of an event made by the Calibration page.
bool PagePoints(const ServiceEvent& event, const QJsonObject& details, DetailsReader& reader,
                std::vector<CertificatePoint>& points, std::string& error) {
    const auto calibration = reader.Text(details, "calibration");
    if (!calibration) return false;
    CertificatePoint point;
    point.timeUtc = event.timeUtc;
    point.eventUuid = event.uuid;
    const bool failed = Failed(event);
    if (*calibration == "conductivity" || *calibration == "temperature") {
        const bool conductivity = *calibration == "conductivity";
        if (conductivity) {
            const auto number = reader.Count(details, "point", "", 0, kMostPoints);
            const auto nominal = reader.Number(details, "nominal_mS_cm");
            if (!number || !nominal) return false;
            point.name = "Conductivity point " + std::to_string(*number);
            point.unit = "mS/cm";
            point.reference = *nominal;
            point.tolerance = ConductivityTolerance(*nominal);
        } else {
            const auto trueValue = reader.Number(details, "true_value");
            const auto unit = reader.Text(details, "unit");
            if (!trueValue || !unit) return false;
            point.name = "Temperature";
            point.unit = *unit;
            point.reference = *trueValue;
            point.tolerance = TemperatureTolerance(*unit);
        }
        if (failed) {
            MarkFailed(point, details);
        } else {
            if (!ReadWindow(reader, details, "as_found", point.asFound, point.asFoundStability) ||
                !ReadWindow(reader, details, "as_left", point.asLeft, point.asLeftStability)) {
                return false;
            }
            Judge(point, conductivity);
        }
        points.push_back(point);
        return true;
    }
    if (*calibration == "outputs") {
        // The currents the technician measured at the forced point are the outputs as found;
        // nothing measured them after the sensor adjusted itself.
        const auto mA = reader.Number(details, "point_mA");
        const auto first = reader.Number(details, "output1_reading_mA");
        const auto second = reader.Number(details, "output2_reading_mA");
        if (!mA || !first || !second) return false;
        char name[64];
        for (const auto& [output, reading] : {std::pair{1, *first}, std::pair{2, *second}}) {
            CertificatePoint row = point;
            std::snprintf(name, sizeof name, "Output %d at %g mA", output, *mA);
            row.name = name;
            row.unit = "mA";
            row.reference = *mA;
            row.tolerance = tolerance::kOutput_mA;
            row.asFound = reading;
            if (failed) {
                MarkFailed(row, details);
            } else {
                Judge(row, false);
            }
            points.push_back(row);
        }
        return true;
    }
    if (*calibration == "reset to default") {
        error = "the event " + event.uuid +
                " is a reset to the default calibration: it has no reference values to certify";
        return false;
    }
    if (*calibration == "current source") {
        error = "the event " + event.uuid + " is a calibration of the current source (" +
                details.value("source").toString().toStdString() +
                "): it has no reference values to certify";
        return false;
    }
    reader.Fail("name an unknown calibration \"" + *calibration + "\"");
    return false;
}

std::optional<Stability> StabilityOf(DetailsReader& reader, const QJsonObject& stability,
                                     const char* key, bool& ok) {
    const QJsonValue value = stability.value(key);
    if (value.isUndefined() || value.isNull()) return std::nullopt;
    const std::string where = std::string("guided.stability.") + key;
    if (!value.isObject()) {
        reader.Fail("give \"" + where + "\" as something other than an object");
        ok = false;
        return std::nullopt;
    }
    const QJsonObject figures = value.toObject();
    Stability s;
    const auto seconds = reader.Number(figures, "seconds", where);
    const auto polls = reader.Count(figures, "polls", where, 0, kMostPolls);
    if (!seconds || !polls || !reader.NumberOrNull(figures, "spread", where, s.spread) ||
        !reader.NumberOrNull(figures, "limit", where, s.limit)) {
        ok = false;
        return std::nullopt;
    }
    s.seconds = *seconds;
    s.polls = *polls;
    return s;
}

// The points of an event made by the guided calibration, as it judged them.
bool GuidedPoints(const ServiceEvent& event, const QJsonObject& details, const QJsonObject& guided,
                  DetailsReader& reader, std::vector<CertificatePoint>& points) {
    const QJsonValue rows = guided.value("rows");
    if (!rows.isArray() || rows.toArray().isEmpty()) {
        reader.Fail(rows.isUndefined() ? "lack the member \"guided.rows\""
                                       : "give \"guided.rows\" as no list of rows");
        return false;
    }
    const bool adjusted = guided.value("adjusted").toBool(true);
    std::optional<double> temperature;
    if (guided.contains("temperature") &&
        !reader.NumberOrNull(guided, "temperature", "guided", temperature)) {
        return false;
    }
    const std::string temperatureUnit = guided.value("temperature_unit").toString().toStdString();
    bool ok = true;
    std::optional<Stability> foundStability, leftStability;
    if (guided.value("stability").isObject()) {
        const QJsonObject stability = guided.value("stability").toObject();
        foundStability = StabilityOf(reader, stability, "as_found", ok);
        leftStability = StabilityOf(reader, stability, "as_left", ok);
        if (!ok) return false;
    }
    int index = 0;
    for (const QJsonValue& value : rows.toArray()) {
        const std::string where = "guided.rows[" + std::to_string(index++) + "]";
        if (!value.isObject()) {
            reader.Fail("give \"" + where + "\" as something other than an object");
            return false;
        }
        const QJsonObject row = value.toObject();
        CertificatePoint point;
        const auto name = reader.Text(row, "name", where);
        const auto reference = reader.Number(row, "reference", where);
        const auto unit = reader.Text(row, "unit", where);
        const auto tolerance = reader.Number(row, "tolerance", where);
        const auto verdict = reader.Text(row, "verdict", where);
        if (!name || !reference || !unit || !tolerance || !verdict ||
            !reader.NumberOrNull(row, "as_found", where, point.asFound) ||
            !reader.NumberOrNull(row, "as_left", where, point.asLeft)) {
            return false;
        }
        if (row.contains("deviation") &&
            !reader.NumberOrNull(row, "deviation", where, point.deviation)) {
            return false;
        }
        point.name = *name;
        point.reference = *reference;
        point.unit = *unit;
        point.tolerance = *tolerance;
        point.deviationUnit =
            row.value("deviation_unit").toString(point.unit.c_str()).toStdString();
        if (*verdict == "pass") {
            point.verdict = Verdict::Pass;
        } else if (*verdict == "fail") {
            point.verdict = Verdict::Fail;
        } else if (*verdict == "not verified") {
            point.verdict = Verdict::NotVerified;
        } else {
            reader.Fail("give the unknown verdict \"" + *verdict + "\" in \"" + where + "\"");
            return false;
        }
        point.notAdjusted = !adjusted && !point.asLeft;
        point.timeUtc = event.timeUtc;
        point.eventUuid = event.uuid;
        point.temperature = temperature;
        point.temperatureUnit = temperatureUnit;
        point.asFoundStability = foundStability;
        point.asLeftStability = leftStability;
        if (Failed(event)) MarkFailed(point, details);
        points.push_back(point);
    }
    return true;
}

bool SameSensor(const SensorIdentity& a, const SensorIdentity& b) {
    if (a.identityRead != b.identityRead) return false;
    if (a.identityRead) return a.serialNumber == b.serialNumber;
    return a.address == b.address && a.port == b.port;
}

// The guided calibration run an event belongs to; empty for none (or details not read).
std::string RunOf(const ServiceEvent& event) {
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(event.details));
    return document.object().value("guided").toObject().value("run").toString().toStdString();
}

bool EarlierEvent(const ServiceEvent& a, const ServiceEvent& b) {
    return a.timeUtc != b.timeUtc ? a.timeUtc < b.timeUtc : a.uuid < b.uuid;
}

QDateTime LocalTimeOf(const std::string& timeUtc) {
    QDateTime time = QDateTime::fromString(QString::fromStdString(timeUtc), Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime() : time;
}

// "2026-12-08 11:15:36 (UTC+01:00)", or the stored text when it is no time.
std::string LocalTimeText(const std::string& timeUtc) {
    const QDateTime local = LocalTimeOf(timeUtc);
    if (!local.isValid()) return timeUtc;
    const int offset = local.offsetFromUtc() / 60;
    char zone[24];
    std::snprintf(zone, sizeof zone, " (UTC%c%02d:%02d)", offset < 0 ? '-' : '+',
                  std::abs(offset) / 60, std::abs(offset) % 60);
    return local.toString("yyyy-MM-dd HH:mm:ss").toStdString() + zone;
}

// `value` with at most `most` decimals, trailing zeros dropped down to `least`.
std::string Decimals(double value, int most, int least) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", most, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        std::size_t keep = s.find('.') + 1 + static_cast<std::size_t>(least);
        while (s.size() > keep && s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s.find_first_not_of("-0.") == std::string::npos && s.front() == '-') s.erase(0, 1);
    return s;
}

// A value in `unit`, to the digits that unit is read to.
std::string Value(double value, const std::string& unit) {
    if (unit == "mA") return Decimals(value, 3, 3);
    if (unit == "%") return Decimals(value, 3, 2);
    if (unit.find("°") != std::string::npos) return Decimals(value, 2, 2);
    return Decimals(value, 3, 1);
}

std::string WithUnit(double value, const std::string& unit) {
    return Value(value, unit) + (unit == "%" ? " %" : unit.empty() ? "" : " " + unit);
}

constexpr const char* kMissing = "\xe2\x80\x94";  // an em dash: no value

std::string Html(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

std::string StabilityText(const std::optional<Stability>& s, const std::string& unit) {
    if (!s) return kMissing;
    std::string text = Decimals(s->seconds, 1, 1) + " s, " + std::to_string(s->polls) +
                       (s->polls == 1 ? " poll" : " polls");
    text += ", spread " + (s->spread ? WithUnit(*s->spread, unit) : std::string(kMissing));
    text += ", limit " + (s->limit ? WithUnit(*s->limit, unit) : std::string(kMissing));
    return text;
}

// A row of cells; with `values`, every cell after the first holds a value not to be broken.
std::string Row(const std::vector<std::string>& cells, const char* tag = "td", bool values = true) {
    const bool unbroken = values && tag == std::string("td");
    std::string row = "<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        row += std::string("<") + tag + (i > 0 && unbroken ? " class=\"value\">" : ">") + cells[i] +
               "</" + tag + ">";
    }
    return row + "</tr>\n";
}

std::string FieldRow(const std::string& name, const std::string& value) {
    return "<tr><td width=\"30%\"><b>" + Html(name) + "</b></td><td>" + Html(value) +
           "</td></tr>\n";
}

}  // namespace

double ConductivityTolerance(double reference_mS_cm) {
    return std::max(tolerance::kConductivityShare * std::fabs(reference_mS_cm),
                    tolerance::kConductivityFloor_mS_cm);
}

double TemperatureTolerance(const std::string& unit) {
    return unit.find('F') != std::string::npos ? tolerance::kTemperatureF
                                               : tolerance::kTemperatureC;
}

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Pass: return "PASS";
        case Verdict::Fail: return "FAIL";
        case Verdict::NotVerified: break;
    }
    return "NOT VERIFIED";
}

Verdict OverallVerdict(const Certificate& certificate) {
    Verdict worst = Verdict::Pass;
    for (const CertificatePoint& point : certificate.points) {
        if (point.verdict == Verdict::Fail) return Verdict::Fail;
        if (point.verdict == Verdict::NotVerified) worst = Verdict::NotVerified;
    }
    return worst;
}

PageSize LocalePageSize() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? PageSize::Letter
                                                                              : PageSize::A4;
}

std::optional<Certificate> CertificateOf(const std::vector<ServiceEvent>& given,
                                         std::string& error) {
    error.clear();
    if (given.empty()) {
        error = "no calibration event to certify";
        return std::nullopt;
    }
    std::vector<ServiceEvent> events = given;
    std::stable_sort(events.begin(), events.end(), EarlierEvent);
    const ServiceEvent& first = events.front();
    Certificate certificate;
    certificate.sensor = first.sensor;
    certificate.timeUtc = first.timeUtc;
    certificate.operatorName = first.operatorName;
    certificate.workstation = first.workstation;
    certificate.program = first.program;
    certificate.version = first.version;
    for (const ServiceEvent& event : events) {
        if (event.kind != kind::kCalibration) {
            error = "the event " + event.uuid + " is a " + event.kind + " event, not a calibration";
            return std::nullopt;
        }
        if (!SameSensor(event.sensor, first.sensor)) {
            error =
                "the events " + first.uuid + " and " + event.uuid + " concern different sensors";
            return std::nullopt;
        }
        DetailsReader reader(event, error);
        const auto details = reader.Parse();
        if (!details) return std::nullopt;
        const QJsonValue guided = details->value("guided");
        if (guided.isObject()) {
            const std::string run = guided.toObject().value("run").toString().toStdString();
            if (certificate.run.empty()) certificate.run = run;
            if (!GuidedPoints(event, *details, guided.toObject(), reader, certificate.points)) {
                return std::nullopt;
            }
        } else if (!PagePoints(event, *details, reader, certificate.points, error)) {
            return std::nullopt;
        }
    }
    return certificate;
}

bool Certifiable(const ServiceEvent& event) {
    std::string error;
    return CertificateOf({event}, error).has_value();
}

std::vector<ServiceEvent> CertificateEvents(EventHistory& history, const std::string& uuid,
                                            std::string& error) {
    error.clear();
    EventFilter filter;
    filter.uuid = uuid;
    const auto found = history.Events(filter, error);
    if (!found) return {};
    const auto chosen = std::find_if(found->begin(), found->end(),
                                     [&uuid](const ServiceEvent& e) { return e.uuid == uuid; });
    if (chosen == found->end()) {
        error = "there is no event " + uuid + " in the service record";
        return {};
    }
    if (chosen->kind != kind::kCalibration) {
        error = "the event " + uuid + " is a " + chosen->kind + " event, not a calibration";
        return {};
    }
    const std::string run = RunOf(*chosen);
    if (run.empty()) return {*chosen};
    EventFilter same;
    same.kind = kind::kCalibration;
    same.serialNumber = chosen->sensor.identityRead ? chosen->sensor.serialNumber : "";
    const auto calibrations = history.Events(same, error);
    if (!calibrations) return {};
    std::vector<ServiceEvent> events;
    for (const ServiceEvent& event : *calibrations) {
        if (event.uuid != uuid && SameSensor(event.sensor, chosen->sensor) && RunOf(event) == run) {
            events.push_back(event);
        }
    }
    events.push_back(*chosen);
    std::sort(events.begin(), events.end(), EarlierEvent);
    return events;
}

std::string CertificateHtml(const Certificate& c) {
    std::string html =
        "<html><head><meta charset=\"utf-8\"><style>"
        "body { font-family: 'DejaVu Sans', sans-serif; font-size: 9pt; }"
        "h1 { font-size: 18pt; } h2 { font-size: 11pt; margin-top: 14px; }"
        "th { background-color: #e4e4e4; text-align: left; }"
        "table.values { font-size: 8pt; } td.value { white-space: nowrap; }"
        ".fail { color: #b00000; font-weight: bold; }"
        ".note { font-size: 8pt; color: #404040; }"
        "</style></head><body>\n"
        "<h1>Calibration Certificate</h1>\n";

    const SensorIdentity& s = c.sensor;
    html += "<h2>Sensor</h2><table width=\"100%\" cellpadding=\"2\">\n";
    if (s.identityRead) {
        html += FieldRow("Serial number", s.serialNumber.empty() ? kMissing : s.serialNumber);
        html += FieldRow("Plant number", s.plantNumber.empty() ? kMissing : s.plantNumber);
        html += FieldRow("Software issue", s.softwareIssue.empty() ? kMissing : s.softwareIssue);
    } else {
        html += FieldRow("Serial number", "identity not read");
    }
    html += FieldRow("Address", std::to_string(s.address));
    html += FieldRow("Port", s.port.empty() ? kMissing : s.port);
    html += "</table>\n";

    html += "<h2>Calibration</h2><table width=\"100%\" cellpadding=\"2\">\n";
    html += FieldRow("Date and time", LocalTimeText(c.timeUtc));
    html += FieldRow("Operator", c.operatorName.empty() ? kMissing : c.operatorName);
    html += FieldRow("Workstation", c.workstation.empty() ? kMissing : c.workstation);
    html += FieldRow("Program", c.program + (c.version.empty() ? "" : " " + c.version));
    std::vector<std::string> uuids;
    for (const CertificatePoint& p : c.points) {
        if (std::find(uuids.begin(), uuids.end(), p.eventUuid) == uuids.end()) {
            uuids.push_back(p.eventUuid);
        }
    }
    std::string record = c.run.empty() ? "event " : "guided calibration run " + c.run + ", events ";
    for (std::size_t i = 0; i < uuids.size(); ++i) record += (i ? ", " : "") + uuids[i];
    html += FieldRow("Service record", record);
    html += "</table>\n";

    html +=
        "<h2>Results</h2><table class=\"values\" width=\"100%\" border=\"1\" "
        "cellspacing=\"0\" cellpadding=\"3\">\n";
    html += Row({"Point", "Reference", "As found", "As left", "Deviation", "Tolerance",
                 "Temperature", "Verdict"},
                "th");
    bool anyStability = false;
    for (const CertificatePoint& p : c.points) {
        anyStability = anyStability || p.asFoundStability || p.asLeftStability;
        const std::string asLeft = p.asLeft        ? WithUnit(*p.asLeft, p.unit)
                                   : p.notAdjusted ? "not adjusted"
                                                   : kMissing;
        std::string deviation = kMissing;
        if (p.deviation) {
            deviation =
                (*p.deviation > 0 && Value(*p.deviation, p.deviationUnit) != "0" ? "+" : "") +
                WithUnit(*p.deviation, p.deviationUnit);
        }
        const std::string verdict = VerdictText(p.verdict);
        html += Row({Html(p.name), Html(WithUnit(p.reference, p.unit)),
                     Html(p.asFound ? WithUnit(*p.asFound, p.unit) : kMissing), Html(asLeft),
                     Html(deviation), Html("\xc2\xb1" + WithUnit(p.tolerance, p.unit)),
                     Html(p.temperature ? WithUnit(*p.temperature, p.temperatureUnit) : kMissing),
                     p.verdict == Verdict::Fail ? "<span class=\"fail\">" + verdict + "</span>"
                                                : "<b>" + verdict + "</b>"});
        if (!p.failure.empty()) {
            html += "<tr><td colspan=\"8\" class=\"fail\">" + Html(p.name) + ": the step failed, " +
                    Html(p.failure) + "</td></tr>\n";
        }
    }
    html += "</table>\n";
    const Verdict overall = OverallVerdict(c);
    html += std::string("<p><b>Result: ") + VerdictText(overall) + "</b> (" +
            (overall == Verdict::Pass   ? "every point within its tolerance as left"
             : overall == Verdict::Fail ? "a point out of tolerance, or a step that failed"
                                        : "a point whose value as left was not read") +
            ")</p>\n";
    html +=
        "<p class=\"note\">Deviation: the value as left against the reference; for "
        "conductivity in % of the reference (in mS/cm for a reference near 0). "
        "\xe2\x80\x94: no value was read. A point found within its tolerance and not adjusted "
        "is judged by its value as found.</p>\n";

    if (anyStability) {
        html +=
            "<h2>Readings behind the values</h2><table class=\"values\" width=\"100%\" "
            "border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";
        html += Row({"Point", "As found: window, polls, spread, limit",
                     "As left: window, polls, spread, limit"},
                    "th");
        for (const CertificatePoint& p : c.points) {
            if (!p.asFoundStability && !p.asLeftStability) continue;
            html += Row({Html(p.name), Html(StabilityText(p.asFoundStability, p.unit)),
                         Html(StabilityText(p.asLeftStability, p.unit))},
                        "td", false);
        }
        html += "</table>\n";
    }

    html +=
        "<p><br><br><br>Signature: ________________________________"
        "&nbsp;&nbsp;&nbsp;&nbsp;Date: ____________________</p>\n"
        "</body></html>\n";
    return html;
}

bool WriteCertificatePdf(const Certificate& certificate, PageSize size, const std::string& path,
                         std::string& error) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        error = "a certificate cannot be laid out without a GUI application (its fonts)";
        return false;
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(size == PageSize::Letter ? QPageSize::Letter : QPageSize::A4));
        // The text document keeps a margin of 2 cm itself.
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Calibration Certificate"));
        writer.setCreator(QString::fromStdString(certificate.program + " " + certificate.version));
        QTextDocument document;
        // Without ligatures, the text taken from the PDF reads as it was written ("fi", not
        // one sign), for a search as for a copy.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setHtml(QString::fromStdString(CertificateHtml(certificate)));
        document.print(&writer);
    }
    if (bytes.isEmpty()) {
        error = "the certificate for " + path + " could not be laid out";
        return false;
    }
    // A certificate names the sensor, the plant and the technician: for its owner alone.
    return fw::WriteFileAtomically(
        path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()),
        error, fw::FileAccess::Private);
}

std::string CertificateFileName(const Certificate& certificate) {
    const SensorIdentity& s = certificate.sensor;
    std::string name = s.identityRead && !s.serialNumber.empty()
                           ? s.serialNumber
                           : "address-" + std::to_string(s.address);
    for (char& c : name) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
        if (!safe) c = '_';
    }
    const QDateTime local = LocalTimeOf(certificate.timeUtc);
    const std::string stamp =
        local.isValid() ? local.toString("yyyyMMdd-HHmm").toStdString() : "00000000-0000";
    return name + "-" + stamp + ".pdf";
}

}  // namespace corvane::records
