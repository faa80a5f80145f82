#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::records {

// The sensor an event concerns, as known when it was recorded.
struct SensorIdentity {
    std::string serialNumber;  // empty when the identity was not read
    std::string plantNumber;
    int address = 0;
    std::string port;  // the device the line runs on: "/dev/ttyUSB0", "tcp://10.0.0.5:4001"
    std::string softwareIssue;
    // False: the identity could not be read when the event happened ("identity not read"); only
    // the address and the port are sure.
    bool identityRead = true;
};

// The kinds of event, as stored and printed.
namespace kind {
inline constexpr const char* kSetupWritten = "setup-written";
inline constexpr const char* kSetupRead = "setup-read";
inline constexpr const char* kFileSaved = "file-saved";
inline constexpr const char* kFileLoaded = "file-loaded";
inline constexpr const char* kCalibration = "calibration";
inline constexpr const char* kOutputsForced = "outputs-forced";
inline constexpr const char* kDownload = "download";
inline constexpr const char* kSerialNumber = "serial-number";
inline constexpr const char* kAddressChanged = "address-changed";
inline constexpr const char* kDefaultSetup = "default-setup";
}  // namespace kind

// Whether `text` names one of the kinds above.
bool IsKnownKind(const std::string& text);

// How the sensor took the request the event records.
namespace result {
inline constexpr const char* kDone = "done";      // the sensor confirmed it
inline constexpr const char* kFailed = "failed";  // refused, garbled or unanswered (timed out)
}  // namespace result

// One entry of a sensor's service history. Everything an event prints comes from these fields,
// so it prints the same from any store that holds it.
struct ServiceEvent {
    std::string uuid;     // RFC 4122 version 4, lower case with hyphens
    std::string timeUtc;  // ISO 8601 UTC to the millisecond: "2026-12-08T10:15:36.885Z"
    std::string operatorName;
    std::string workstation;  // the host name
    std::string program;      // "corvane" or "corvane-control-centre"
    std::string version;
    SensorIdentity sensor;
    std::string kind;
    std::string result = result::kDone;
    std::string summary;         // one line
    std::string details = "{}";  // the kind's details as one JSON object, compact
};

// A new random UUID (version 4), lower case with hyphens.
std::string NewUuid();
// `time` in the stored form ("2026-12-08T10:15:36.885Z").
std::string UtcText(std::chrono::system_clock::time_point time);
// The host name of this workstation.
std::string WorkstationName();

// The event as one JSON object on one line, keys in this order: uuid, time, operator,
// workstation, program, version, sensor {serial, plant, address, port, issue, identity_read},
// kind, result, summary, details (the details object itself, not a string).
std::string EventJsonLine(const ServiceEvent& event);

// The event as an RFC 4180 CSV row (no line end), columns as in the header; details is the
// compact JSON text.
inline constexpr const char* kEventCsvHeader =
    "uuid,time,operator,workstation,program,version,serial,plant,address,port,issue,"
    "identity_read,kind,result,summary,details";
std::string EventCsvRow(const ServiceEvent& event);

// The event as one line for a terminal: the time, the kind, the result, the sensor (its serial
// number, or "identity not read, address N"), the operator, the summary and the event's UUID
// (for history --show and certificate), separated by two blanks.
std::string EventTextLine(const ServiceEvent& event);

// The event as lines for a reader: its fields, then its details object one member a line,
// nested members indented and long texts shortened.
std::vector<std::string> EventDetailLines(const ServiceEvent& event);

// Builds a details object key by key, in the order the keys are added.
class DetailsBuilder {
  public:
    DetailsBuilder& Text(const std::string& key, const std::string& value);
    DetailsBuilder& Number(const std::string& key, double value);
    DetailsBuilder& Integer(const std::string& key, long long value);
    DetailsBuilder& Flag(const std::string& key, bool value);
    // `json` is a JSON value already (an object or an array), put in as it is.
    DetailsBuilder& Json(const std::string& key, const std::string& json);
    // The object as compact JSON text.
    std::string Build() const;

  private:
    std::string members_;  // the members so far, comma-separated, without the braces
};

// `text` as a JSON string literal, quotes included.
std::string JsonString(const std::string& text);

// A JSON array of `items`, each a JSON value already.
std::string JsonArray(const std::vector<std::string>& items);

// Which events to list.
struct EventFilter {
    std::string serialNumber;  // empty: every sensor
    std::string sinceUtc;      // empty: from the first; else events at or after this time
    std::string kind;          // empty: every kind
    std::string uuid;          // empty: any
};

// Where the programs hand the events they record: written by the store's writer, kept by a test.
class EventSink {
  public:
    virtual ~EventSink() = default;
    // Takes the event over; never waits for a store.
    virtual void Write(ServiceEvent event) = 0;
};

// What the History window reads: the events of a store, the sensors it knows, and a count that
// grows as events are written (the window reads again when it does).
class EventHistory {
  public:
    virtual ~EventHistory() = default;
    // The events that pass `filter`, newest first. Nothing, with `error`, when the store
    // cannot be read.
    virtual std::optional<std::vector<ServiceEvent>> Events(const EventFilter& filter,
                                                            std::string& error) = 0;
    // Every sensor with events, by serial number, each with the identity of its newest event.
    virtual std::optional<std::vector<SensorIdentity>> Sensors(std::string& error) = 0;
    virtual std::uint64_t WrittenCount() const = 0;
};

}  // namespace corvane::records
