#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "link/channel_cycle.h"
#include "link/command_engine.h"
#include "link/download_sequence.h"
#include "link/link_outcomes.h"
#include "link/request_handle.h"

namespace corvane {

struct SharedRecords;
namespace fw {
class Clock;
class OperatorPrompts;
class Timer;
struct DateTime;
}  // namespace fw

// The link to the sensors, with one owner: the engine and its receive path, the address scan,
// the channel cycle and the software download. Windows and the command line change the link's
// state only through the operations below, each named for what the operator did, and learn
// what happened from the outcomes told to their observers as it happens. The records stay where
// every window reads them.
//
// The link reaches its surroundings through a clock (today's date, timers) and the operator's
// prompts (a sound, a message, a question); the desktop serves both with its window host, the
// command line with the terminal.
class SensorLink {
  public:
    SensorLink(SharedRecords& records, SerialChannel& channel, fw::Clock& clock,
               fw::OperatorPrompts& prompts, fw::Timer& linkTimer);
    ~SensorLink();
    SensorLink(const SensorLink&) = delete;
    SensorLink& operator=(const SensorLink&) = delete;

    // One tick of the link timer; true when it armed the page refresh.
    bool Tick();
    // The engine itself: the byte receiver of the channel, and the traffic trace.
    CommandEngine& Engine() { return engine_; }
    const SharedRecords& Records() const { return r_; }
    // The clock the link lives by: the moment its readings are stamped with, and its timers.
    fw::Clock& Time() { return clock_; }

    // Observers are told of every outcome from now on, in the order they were added.
    void AddObserver(LinkObserver& observer);
    void RemoveObserver(LinkObserver& observer);

    // --- The Communications page ---
    // "Monitor": talk to `address` from now on.
    void MonitorAddress(int address);
    // "Change Address": the sensor in use takes `newAddress` (through the scan's steps). A new
    // address is probed first: when something answers there, the change is refused with a box
    // that says so and nothing is sent, since two devices at one address answer each other's
    // requests.
    void ChangeAddress(int newAddress);
    // Whether the probe of a new address is still under way.
    bool CheckingNewAddress() const { return addressCheck_.has_value(); }
    // Ends a probe of a new address still under way: the sensor keeps its address.
    void AbandonAddressCheck();
    // "Search Up" / "Search Down": probe the addresses one after the other from the one in use.
    void SearchAddresses(bool downwards);
    // "Stop Search": back to the address the search started from.
    void StopSearch();
    // A port, its device or the line settings were changed: a search under way ends at the
    // address it started from.
    void ReturnToLastAddress();
    // "Apply": the port is opened again with the line settings in the records.
    void ApplyPortSettings();
    // The page was confirmed or cancelled without a change to the port.
    void ConfirmPortSettings();
    // A finished scan or address change is taken note of; true when there was one.
    bool TakeFinishedScan();

    // --- The Channels page and the monitor of several addresses ---
    ChannelCycle& Channels() { return cycle_; }

    // --- The Software and Factory Settings pages ---
    // The operator is asked whether to start a download; no other can start meanwhile.
    void AskToStartDownload();
    // The operator said no, or the image failed its last check: no download is under way.
    void DropDownloadRequest();
    // Starts the download of a checked image (at least one block), read from `imageFile`.
    void StartDownload(std::vector<ImageBlock> image, DownloadOrigin origin,
                       std::string imageFile = {});
    // The operator cancelled the download: it stops at once, nothing more is sent.
    void CancelDownload();
    // The download is given up (the command line after repeated refusals or Ctrl-C).
    void AbandonDownload();

    // --- The setup's configuration files ---
    // The operator saved the setup to `path` (or loaded it from there): told to the observers.
    // `fileOperator`: for a loaded file, the operator it was saved by.
    void NoteSetupFile(bool saved, std::string path, std::string fileOperator = {});

    // --- Requests ---
    // Sends `command` at the next free exchange, after the lower-numbered pending ones; the
    // handle tells how its exchange ended.
    RequestHandle Queue(int command);
    // Withdraws `command` if it is still pending (its handles end as withdrawn), and forgets it
    // as the command of the exchange that has just ended (a write given up).
    void Withdraw(int command);
    // The port is opened again at the next request (the settings came from the state file).
    void ReopenPort();
    // Reads the sensor's whole setup, block after block. The handle ends Answered once every
    // block is in (the observers are told SetupWasRead), or as the block that failed for good
    // ended; a block whose reply failed its check is asked for again, up to three times.
    RequestHandle ReadSetup();
    // A lost block of a setup read under way is asked for again, the read going on from it.
    RequestHandle ContinueSetupRead();
    // The image file chosen for a download was read and checked (or refused).
    void NoteImageChecked(bool checked);

    // --- The calibration stamp ---
    // A calibration or reset the sensor confirmed (or may yet take) waits for its stamp.
    void NoteCalibrationToStamp();
    // Once after one or more confirmed calibrations: `now` and the operator become the
    // calibration date and name and the stamp that writes them into the sensor is queued. A
    // refused handle when no calibration waits for its stamp.
    RequestHandle StampCalibrationIfDue(const fw::DateTime& now);
    // Talk to `address` from now on, without the identity being read again (a command line
    // that checks an address of its own).
    void TalkTo(int address);
    // Asks whether a sensor answers at `address`; the address stays the one talked to.
    void ProbeAddress(int address);
    // Tells the sensor in use to answer at `newAddress` from now on (not a scan's step).
    RequestHandle SendNewAddress(int newAddress);

  private:
    void SentRequest();
    void ReplyEnded(int function, FrameEvent event);
    void EndExchange(Outcome outcome, int exceptionCode = 0);
    void EndHandles(std::vector<std::shared_ptr<RequestHandle::State>>& handles, RequestEnd end,
                    int exceptionCode = 0);
    void EndUnsentHandles();
    RequestHandle NewHandle(int command);
    void EndSetupRead(RequestEnd end);
    void CheckDownloadEnd();
    void CheckStampGivenUp();
    void StartAddressChange(int newAddress);
    void EndAddressCheck(Outcome outcome);
    template <typename Call>
    void TellObservers(Call call);

    SharedRecords& r_;
    fw::Clock& clock_;
    fw::OperatorPrompts& prompts_;
    CommandEngine engine_;
    DownloadSequence download_;
    ChannelCycle cycle_;
    std::vector<LinkObserver*> observers_;

    // The handles of requests queued and not yet sent, of the request on the line, and of the
    // setup read under way.
    std::vector<std::shared_ptr<RequestHandle::State>> queuedHandles_;
    std::vector<std::shared_ptr<RequestHandle::State>> sentHandles_;
    std::shared_ptr<RequestHandle::State> setupRead_;

    // The request outstanding, as it went out.
    bool outstanding_ = false;
    int sentCommand_ = 0;
    int sentFunction_ = 0;
    int sentAddress_ = 0;
    std::vector<std::uint8_t> sentFrame_;
    std::chrono::system_clock::time_point sentAt_;

    // The probe of the address a sensor is to take: the address talked to before, and the new one.
    struct AddressCheck {
        int from = 0;
        int to = 0;
    };
    std::optional<AddressCheck> addressCheck_;

    // The download under way, for its result.
    bool downloadUnderWay_ = false;
    DownloadOrigin downloadOrigin_ = DownloadOrigin::None;
    bool downloadCompleted_ = false;
    bool downloadCancelled_ = false;
    bool stampAwaited_ = false;  // a completed download waits for its stamp
    unsigned lastBlocksTaken_ = 0;
    unsigned lastBlockTotal_ = 0;
};

// The answered poll whose reply `records` hold, just decoded, stamped with `time`.
PollAnswered PollAnsweredOf(const SharedRecords& records,
                            std::chrono::system_clock::time_point time);

}  // namespace corvane
