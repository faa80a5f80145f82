#pragma once

// Calibration certificates: what a calibration event of the service record (or every event of
// one guided calibration run) proves, as a plain model, as HTML and as a PDF page.
//
// The model is read from the events' details as they were recorded; nothing is measured again.
// Laying out the page needs a QGuiApplication (its fonts): a program without a display runs one
// on the "offscreen" platform.
#include <optional>
#include <string>
#include <vector>

#include "records/service_event.h"

namespace corvane::records {

// The tolerances a calibration is held to when its event names none (events made by the
// Calibration page). The wire carries conductivity to 0.1 mS/cm: nothing finer can be certified.
namespace tolerance {
inline constexpr double kConductivityShare = 0.002;  // of the reference
inline constexpr double kConductivityFloor_mS_cm = 0.1;
inline constexpr double kTemperatureC = 0.1;
inline constexpr double kTemperatureF = 0.18;
inline constexpr double kOutput_mA = 0.02;
}  // namespace tolerance

// The default tolerance of a conductivity reference (mS/cm), and of a temperature in `unit`.
double ConductivityTolerance(double reference_mS_cm);
double TemperatureTolerance(const std::string& unit);

enum class Verdict { Pass, Fail, NotVerified };
// "PASS", "FAIL", "NOT VERIFIED".
const char* VerdictText(Verdict verdict);

// How long a value was watched before it was taken, and how still it held.
struct Stability {
    double seconds = 0.0;
    int polls = 0;
    std::optional<double> spread;  // highest less lowest reading; none without polls
    std::optional<double> limit;   // the spread the step allowed; none when it set no limit
};

// One row of the certificate: one reference value, as found and as left.
struct CertificatePoint {
    std::string name;  // "Conductivity point 2", "Output 1 at 4 mA", "92.5 mS/cm"
    std::string unit;  // of the reference, the values and the tolerance
    double reference = 0.0;
    std::optional<double> asFound;  // none: no reading was taken
    std::optional<double> asLeft;
    // Found within tolerance and left as it was: the as-left column says so, and the verdict is
    // that of the value as found.
    bool notAdjusted = false;
    std::optional<double> deviation;  // as left against the reference, in deviationUnit
    std::string deviationUnit;        // "%" of the reference, or the unit itself
    double tolerance = 0.0;           // plus or minus, in `unit`
    Verdict verdict = Verdict::NotVerified;
    std::string failure;  // why the step failed, for a step the sensor did not confirm
    std::string timeUtc;  // when the step was recorded
    std::string eventUuid;
    std::optional<double> temperature;  // during the step
    std::string temperatureUnit;
    std::optional<Stability> asFoundStability;
    std::optional<Stability> asLeftStability;
};

struct Certificate {
    SensorIdentity sensor;
    std::string timeUtc;  // of the first event
    std::string operatorName;
    std::string workstation;
    std::string program;
    std::string version;
    std::string run;  // the guided calibration run; empty for a single event
    std::vector<CertificatePoint> points;
};

// The worst verdict of the points: FAIL before NOT VERIFIED before PASS.
Verdict OverallVerdict(const Certificate& certificate);

enum class PageSize { A4, Letter };
// Letter where the system's locale measures in US inches, else A4.
PageSize LocalePageSize();

// The certificate of `events` (one event, or the events of one run in time order). Nothing, with
// `error` saying why, for no events, an event that is no calibration, a calibration without
// reference values (a reset to the default calibration, a current source) or details that
// cannot be read.
std::optional<Certificate> CertificateOf(const std::vector<ServiceEvent>& events,
                                         std::string& error);

// Whether a certificate can be made of `event`: a calibration with reference values.
bool Certifiable(const ServiceEvent& event);

// The event `uuid` of `history`, or when it belongs to a guided calibration run, every
// calibration event of that run of the same sensor, in time order. Empty, with `error`, when the
// history cannot be read, holds no such event or the event is no calibration.
std::vector<ServiceEvent> CertificateEvents(EventHistory& history, const std::string& uuid,
                                            std::string& error);

// The certificate as an HTML page for QTextDocument.
std::string CertificateHtml(const Certificate& certificate);

// Writes the certificate as a PDF file at `path`, replacing it in one step: on failure `error`
// says why and no part of a file is left. Needs a QGuiApplication.
bool WriteCertificatePdf(const Certificate& certificate, PageSize size, const std::string& path,
                         std::string& error);

// The file name a certificate suggests: "<serial or address-N>-<YYYYMMDD>-<HHMM>.pdf", in the
// local time of its first event, with characters unsafe in file names replaced by '_'.
std::string CertificateFileName(const Certificate& certificate);

}  // namespace corvane::records
