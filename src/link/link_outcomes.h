#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "link/link_states.h"
#include "link/port_failure.h"
#include "link/readings_csv.h"

namespace corvane {

// How one exchange with the sensor ended.
enum class Outcome {
    Answered,    // a reply passed the frame check and was decoded
    Exception,   // the sensor answered with an exception reply
    Garbled,     // a reply arrived but failed the frame check
    Silent,      // no (complete) reply within the time allowed
    PortFailed,  // the port could not be used: nothing was sent
};

// A request and how its exchange ended. `address` is the one the request went to (0 for a
// request to every sensor).
struct ExchangeEnded {
    int function = 0;
    int address = 0;
    Outcome outcome = Outcome::Silent;
    std::vector<std::uint8_t> request;  // as sent (or withheld), its CRC included
    int exceptionCode = 0;              // the sensor's code, for an exception reply
};

// The whole setup of a sensor has been read: its serial number and the address it answered at.
struct SetupRead {
    std::string serialNumber;
    int address = 0;
};

// A measurement poll answered: the sensor's address, the Channels page's channel it answered
// for (1..5; 0 when no channel cycle runs) and the readings with the status lines its status
// bytes raised, as decoded, stamped with the moment the reply was complete.
struct PollAnswered {
    int address = 0;
    int channel = 0;
    ReadingRow reading;
};

// A software download that has started: the page it was started from, the image file it sends
// (its path as the operator chose it; empty when not from a file) and its blocks.
struct DownloadStart {
    DownloadOrigin origin = DownloadOrigin::None;
    std::string imageFile;
    unsigned blockTotal = 0;
};

// A configuration file the operator saved the setup to, or loaded it from.
struct SetupFileUse {
    bool saved = false;
    std::string path;
    std::string fileOperator;  // a loaded file: the operator who saved it
};

// How far a software download has come: the blocks the sensor took of those the image has.
struct DownloadProgress {
    DownloadOrigin origin = DownloadOrigin::None;
    unsigned blocksTaken = 0;
    unsigned blockTotal = 0;
    int percent = 0;
};

// How a software download ended. `Completed` once the sensor restarted after the last block (its
// stamp follows); every other end leaves the sensor to be downloaded again.
struct DownloadResult {
    enum class End { Completed, Failed, Cancelled };
    End end = End::Failed;
    DownloadOrigin origin = DownloadOrigin::None;
    unsigned blocksTaken = 0;
    unsigned blockTotal = 0;
};

// The stamp that follows a completed download: answered, with the software issue the sensor
// returned, or given up after its attempts went unanswered.
struct DownloadStamped {
    DownloadOrigin origin = DownloadOrigin::None;
    bool answered = false;
    std::string issue;
};

// What a sensor confirmed by answering a request that changes it.
enum class ConfirmedChange {
    Calibration,  // a conductivity, temperature or output calibration, a reset, a source
    SetupWrite,   // a part of the setup, the plant number, or the default setup
    SerialNumber,
    Stamp,  // the calibration, installation or upgrade stamp
    AddressChange,
    OutputsForced,  // the current outputs forced to a test current, or returned to normal
};

struct Confirmation {
    ConfirmedChange change = ConfirmedChange::SetupWrite;
    int function = 0;
    int address = 0;
    std::vector<std::uint8_t> request;             // the request as sent, its CRC included
    std::chrono::system_clock::time_point sentAt;  // when the request went out
};

// The kind of change a request's function makes in the sensor, if it makes one.
bool IsConfirmedChange(int function, ConfirmedChange& change);

// Told of what happens on the link, as it happens. Every call comes from the link's own thread
// (the one that runs its timer and receives its bytes); an observer must not remove itself from
// within a call.
class LinkObserver {
  public:
    virtual ~LinkObserver() = default;
    virtual void ExchangeHasEnded(const ExchangeEnded&) {}
    virtual void PollWasAnswered(const PollAnswered&) {}
    virtual void PortHasFailed(const PortFailure&) {}
    virtual void DownloadHasStarted(const DownloadStart&) {}
    virtual void DownloadHasProgressed(const DownloadProgress&) {}
    virtual void DownloadHasEnded(const DownloadResult&) {}
    virtual void DownloadWasStamped(const DownloadStamped&) {}
    virtual void AddressWasFound(int /*address*/) {}
    virtual void SensorConfirmed(const Confirmation&) {}
    virtual void SetupFileHandled(const SetupFileUse&) {}
    virtual void SetupWasRead(const SetupRead&) {}
};

}  // namespace corvane
