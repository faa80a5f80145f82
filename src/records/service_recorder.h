#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "link/link_outcomes.h"
#include "link/sensor_data.h"
#include "records/service_event.h"

namespace corvane {
struct SharedRecords;
namespace fw {
class Clock;
}
}  // namespace corvane

namespace corvane::records {

// Who records: the program and its version, the workstation, and the port the line runs on.
struct RecordingContext {
    std::string program;
    std::string version;
    std::string workstation;
    std::function<std::string()> port;  // the device the line runs on now
};

// A calibration a guided step makes: the reading it follows ("cond_no_tc", "temperature"; empty
// for the outputs, read on a DVM), the stretch of polls taken as found, and the step's own
// figures as the details' "guided" member (a JSON object).
struct GuidedCalibration {
    std::string reading;
    std::chrono::system_clock::time_point foundFrom;
    std::chrono::system_clock::time_point foundTo;
    std::string guided = "{}";
    std::string guidedIfFailed;  // the figures should the sensor not confirm; empty: `guided`
    bool foundWithin = true;     // for a point left as found: whether it was within tolerance
};

// Makes the service history from what the sensor link tells: an event for each change the
// sensor confirmed, refused or left unanswered (never for a request that was only queued), each
// handed to the sink as soon as it is complete.
//
// - A setup write is one event however many parts it sends (the whole setup, or a setup dialog's
//   part): the fields that changed, old and new, against the setup last read or written, and the
//   whole setup as configuration-file bytes after the write. It ends with the first exchange
//   that is no setup write, so a part sent again after a lost reply stays in the same event.
// - A calibration carries the reading as found (the 10 s of answered polls before its request)
//   and as left (the first 10 s after the confirmation); it is handed over once those 10 s have
//   passed, or with what there is when the recorder is flushed.
// - Outputs forced to a test current make one event when they are returned to normal, with the
//   time they stayed forced.
// - A download is one event: the image file's name and SHA-256, its blocks, the rejected ones,
//   the issue before and after (from the stamp's answer), the origin and the result.
// - The sensor is named by the identity read from it at the same address since the link last
//   lost it. Where no setup was read first, the event is kept with "identity not read" and the
//   address: reading behind the technician's back would reload the pages and could undo edits
//   not yet written.
class ServiceRecorder : public LinkObserver {
  public:
    ServiceRecorder(const SharedRecords& records, fw::Clock& clock, EventSink& sink,
                    RecordingContext context);
    ~ServiceRecorder() override;

    // Hands over every event begun and not yet complete (calibrations waiting for their as-left
    // readings, a setup write not yet ended, outputs still forced), as they stand.
    void Flush();

    // The next calibration the sensor at `address` confirms (or fails) is a guided step's: its
    // reading as found is the step's stretch of polls, and its event waits for the step to take
    // the reading as left (CompleteGuidedCalibration) rather than for the 10 s after it.
    void ExpectGuidedCalibration(int address, GuidedCalibration guide);
    // The guided calibration at `address` is complete: its reading as left is the stretch of
    // polls from `leftFrom` to `leftTo` (none: not taken), the step's figures `guided` replace
    // those given before. Hands the event over and returns it; nothing if none was confirmed.
    std::optional<ServiceEvent> CompleteGuidedCalibration(
        int address,
        std::optional<
            std::pair<std::chrono::system_clock::time_point, std::chrono::system_clock::time_point>>
            asLeft,
        const std::string& guided);
    // The guided step at `address` ended before the sensor confirmed: a confirmation still to
    // come is recorded as any other calibration.
    void DropGuidedCalibration(int address);
    // A point the guided step found within tolerance and left as it was: a calibration event of
    // its own with the reading as found and no command sent. `request` is the request the
    // calibration would have sent, which names the point.
    ServiceEvent RecordCheckOnly(int address, int function,
                                 const std::vector<std::uint8_t>& request,
                                 const GuidedCalibration& check);
    // Told of every event handed over, after the sink took it.
    void SetEventTap(std::function<void(const ServiceEvent&)> tap) { tap_ = std::move(tap); }

    void ExchangeHasEnded(const ExchangeEnded& ended) override;
    void PollWasAnswered(const PollAnswered& poll) override;
    void DownloadHasEnded(const DownloadResult& result) override;
    void SensorConfirmed(const Confirmation& confirmed) override;
    void DownloadHasStarted(const DownloadStart& start) override;
    void SetupFileHandled(const SetupFileUse& use) override;
    void SetupWasRead(const SetupRead& read) override;
    void DownloadWasStamped(const DownloadStamped& stamped) override;

  private:
    struct Poll {
        std::chrono::system_clock::time_point time;
        int address = 0;
        ReadingRow reading;
    };
    struct PendingCalibration {
        ServiceEvent event;
        DetailsBuilder details;
        std::string reading;  // which reading is followed
        std::chrono::system_clock::time_point confirmedAt;
        int address = 0;
        bool guided = false;  // waits for CompleteGuidedCalibration
    };
    struct SetupWrite {
        ServiceEvent event;
        std::vector<std::string> parts;
        std::set<int> written;      // the functions of the parts sent
        std::set<int> unconfirmed;  // functions whose last attempt went unconfirmed
    };
    struct Forced {
        bool on = false;
        int mA = 0;
        std::chrono::system_clock::time_point since;
    };
    struct Download {
        std::string file;
        std::string sha256;
        std::string issueBefore;
        int exchanges = 0;
        std::optional<DownloadResult> result;  // completed: waits for the stamp's answer
    };

    ServiceEvent NewEvent(const char* kind, int address, bool done) const;
    SensorIdentity IdentityAt(int address) const;
    bool IdentityKnownAt(int address) const;
    void Hand(ServiceEvent event);

    void NoteSetupRead(int address);
    void SetupWritePart(const ExchangeEnded& ended);
    void EndSetupWrite();
    void Calibration(const Confirmation& confirmed);
    void FailedChange(const ExchangeEnded& ended);
    // What calibration the request asks for: the words of its summary, its details, and the
    // reading it is followed by.
    std::string DescribeCalibration(int function, const std::vector<std::uint8_t>& request,
                                    DetailsBuilder& details, std::string& reading) const;
    std::string PortNow() const;
    void OutputsChanged(const Confirmation& confirmed);
    void OneOffChange(const Confirmation& confirmed);
    void EndForcing(Forced& forced, int output, int address,
                    std::chrono::system_clock::time_point at, const char* how);
    void DownloadExchange(const ExchangeEnded& ended);
    void WriteDownload(const DownloadResult& result, const std::string& issueAfter);
    void FinishCalibrations(bool whatThereIs);
    std::string ReadingWindow(const std::string& reading, int address,
                              std::chrono::system_clock::time_point from,
                              std::chrono::system_clock::time_point to) const;
    // The file's SHA-256 as it is now, or why it could not be read.
    static std::string FileDigest(const std::string& path);

    const SharedRecords& r_;
    fw::Clock& clock_;
    EventSink& sink_;
    RecordingContext context_;

    // The identity last read, and the address and port it was read at.
    bool identityRead_ = false;
    int identityAddress_ = -1;
    std::string identityPort_;
    std::string identitySerial_;
    // What the sensor holds of each part of the setup (by the function that writes it), as last
    // read or written; a part not known is missing.
    std::map<int, SensorData> setupHeld_;

    std::deque<Poll> polls_;  // the answered polls of the last minute
    std::vector<PendingCalibration> calibrations_;
    std::optional<SetupWrite> setupWrite_;
    Forced forced1_;
    Forced forced2_;
    std::optional<Download> download_;
    std::map<int, GuidedCalibration> guides_;  // by address: the guided calibrations expected
    std::function<void(const ServiceEvent&)> tap_;
};

// `bytes` in base64 (RFC 4648, with padding).
std::string Base64(std::span<const std::uint8_t> bytes);

}  // namespace corvane::records
