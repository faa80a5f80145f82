#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_channel.h"
#include "sim/control_line.h"
#include "sim/fault_modes.h"
#include "sim/live_process.h"
#include "sim/setup_memory.h"

namespace corvane::sim {

// What the sensor sends back for one request: the reply bytes after `delayUs` of processing,
// and optionally stray bytes some time after the reply has ended.
struct SensorReply {
    std::vector<std::uint8_t> bytes;
    std::int64_t delayUs = 0;
    std::vector<std::uint8_t> strayBytes;
    std::int64_t strayDelayUs = 0;
};

// The whole length of a request that begins with `start` (address, function, and for a flash
// block its header), or 0 while too little has arrived to tell or the function is unknown.
int ExpectedRequestLength(std::span<const std::uint8_t> start);

// One data record written to the flash memory by the software download.
struct FlashRecord {
    std::uint16_t address = 0;
    std::vector<std::uint8_t> data;
};

// A fingerprint of flash contents, so that a flash kept in another process (vexor-sim) can be
// compared with an image: the number of bytes written, and FNV-1a 64 (offset basis
// 0xcbf29ce484222325, prime 0x100000001b3, no final xor) over every written byte in ascending
// address order, each fed as three bytes: address high, address low, data. Equal contents give
// equal digests whatever the order or overlap of the blocks that wrote them.
struct FlashDigest {
    std::size_t bytes = 0;
    std::uint64_t digest = 0xcbf29ce484222325u;
    bool operator==(const FlashDigest&) const = default;
};

// The digest of the flash that holds `image` and nothing else (later records win on overlap).
FlashDigest DigestOf(std::span<const FlashRecord> image);

// The line vexor-sim prints when a download to the sensor at `address` has finished:
// "flash: address 0, 3072 bytes, digest " and the digest in 16 lower-case hexadecimal digits.
std::string FlashDigestLine(int address, const FlashDigest& digest);

// A Vexor sensor as seen from the serial line: it answers every function of the command table
// and the software download with correctly framed replies, keeps its setup and identity in the
// 17 upload blocks so that every write is read back by the next upload, measures a drifting
// process (or, on the bench, a reference or a temperature bath: see LiveProcess), and misbehaves
// on request (fault modes).
class VirtualSensor {
  public:
    static constexpr std::int64_t kProcessingUs = 2000;
    static constexpr std::int64_t kCalibrationUs =
        3'000'000;  // a conductivity point, default setup
    static constexpr std::int64_t kAdjustUs =
        500'000;  // temperature and output calibrations, reset
    static constexpr std::int64_t kEraseUs = 400'000;
    static constexpr std::int64_t kRestartUs = 1'000'000;

    explicit VirtualSensor(int address = 0);

    int Address() const { return address_; }
    void SetAddress(int address) { address_ = address; }

    // Line settings the sensor listens with; frames sent with other settings are not understood.
    PortSettings& Line() { return line_; }
    const PortSettings& Line() const { return line_; }

    FaultModes& Faults() { return faults_; }
    void SetStatusBytes(std::array<std::uint8_t, 5> status) { status_ = status; }
    SetupMemory& Memory() { return memory_; }
    const SetupMemory& Memory() const { return memory_; }

    // The software issue the sensor runs, as three bytes (d, dd, dd).
    std::array<std::uint8_t, 3> SoftwareIssue() const { return issue_; }
    // The issue a completed download installs.
    void SetImageIssue(std::array<std::uint8_t, 3> issue) { imageIssue_ = issue; }

    const std::vector<FlashRecord>& Flash() const { return flash_; }
    // Whether the flash memory holds exactly the bytes of `image` at their addresses and nothing
    // else: a block written twice writes the same bytes at the same place, as in real flash.
    bool FlashEquals(std::span<const FlashRecord> image) const;
    FlashDigest Digest() const;
    int AnnouncedBlocks() const { return announcedBlocks_; }
    const LiveProcess& Process() const { return process_; }

    // The bench. Each change takes effect at `atUs` on the clock of HandleFrame, or, without it
    // (or when it is earlier), at the latest time the sensor has seen (a request or an earlier
    // change; 0 before any), and the readings settle from there (see LiveProcess).
    //
    // Fits a reference giving that raw conductivity in mS/cm (0 or more), or takes it off.
    void FitReference(std::optional<double> rawConductivity,
                      std::optional<std::int64_t> atUs = std::nullopt);
    // Holds the sensor's temperature at that many °C, or takes it out of the bath.
    void PlaceInBath(std::optional<double> celsius,
                     std::optional<std::int64_t> atUs = std::nullopt);
    // The sensor reads conductivity that many percent off the truth until it is calibrated; a
    // reset of its calibration returns to it. 0 (the default) reads true.
    void SetConductivityError(double percent) { process_.SetConductivityError(percent); }
    // Applies one control line (see ControlLine): an empty string when applied (comments and
    // blank lines change nothing), else why the line was refused, in one line.
    std::string Control(std::string_view line, std::optional<std::int64_t> atUs = std::nullopt);
    // Applies a control line parsed before.
    void Apply(const ControlLine& line, std::optional<std::int64_t> atUs = std::nullopt);
    int RequestsHandled() const { return requestsHandled_; }

    // Sees every reply as the sensor composed it, before a fault mode drops or corrupts it: what
    // the sensor meant to send, for tests that compare it with what the program shows.
    using ReplyObserver = std::function<void(std::span<const std::uint8_t> reply)>;
    void SetReplyObserver(ReplyObserver observer) { replyObserver_ = std::move(observer); }

    // Called when a download ends with the finish request, after the last block was written and
    // before the sensor restarts; the flash then holds what the download left in it.
    using DownloadObserver = std::function<void(const VirtualSensor& sensor)>;
    void SetDownloadObserver(DownloadObserver observer) { downloadObserver_ = std::move(observer); }

    // Handles one complete request frame arriving at `nowUs`. Frames for other addresses,
    // frames with a wrong CRC and frames during a restart get no reply. A download frame sent
    // to address 0 is acted on by every sensor; only one with `mayAnswerBroadcast` replies.
    std::optional<SensorReply> HandleFrame(std::span<const std::uint8_t> frame, std::int64_t nowUs,
                                           bool mayAnswerBroadcast = true);

  private:
    std::optional<SensorReply> Dispatch(std::span<const std::uint8_t> frame, std::int64_t nowUs);
    SensorReply Reply(std::vector<std::uint8_t> data, std::int64_t delayUs = kProcessingUs) const;
    SensorReply Exception(int function, std::uint8_t code) const;
    SensorReply PollReply(std::int64_t nowUs);
    void WriteOutputSetup(std::span<const std::uint8_t> payload, std::size_t sourceModeOffset,
                          std::size_t filterOffset, std::size_t rangeOffset, bool takesTds);
    void WriteStamp(std::span<const std::uint8_t> payload, std::size_t dateOffset,
                    std::size_t nameOffset);
    SensorReply FlashBlockReply(std::span<const std::uint8_t> payload);
    void ApplyFaults(std::optional<SensorReply>& reply);
    // The time of a change at `atUs` (see FitReference), in seconds; the clock moves on to it.
    double ChangeSeconds(std::optional<std::int64_t> atUs);

    int address_;
    PortSettings line_;
    FaultModes faults_;
    std::mt19937 faultRandom_;
    std::uint32_t faultSeed_;
    SetupMemory memory_;
    LiveProcess process_;
    std::array<std::uint8_t, 5> status_{};
    std::array<std::uint8_t, 3> issue_{0x02, 0x01, 0x37};
    std::array<std::uint8_t, 3> imageIssue_{0x02, 0x02, 0x00};
    bool downloading_ = false;
    int announcedBlocks_ = 0;
    std::vector<FlashRecord> flash_;
    std::map<std::uint16_t, std::uint8_t> flashMemory_;  // erased by the download request
    std::int64_t restartUntilUs_ = 0;
    std::int64_t latestUs_ = 0;  // the latest time the sensor has seen
    int requestsHandled_ = 0;
    ReplyObserver replyObserver_;
    DownloadObserver downloadObserver_;
};

}  // namespace corvane::sim
