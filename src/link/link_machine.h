#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/command_queue.h"
#include "link/link_states.h"

namespace corvane {

inline constexpr std::size_t kFrameBufferSize = 512;

// The value an upload's block number takes when the whole setup is in, so the next link tick
// asks every window to reload.
inline constexpr int kUploadFinished = 100;

// The one outstanding request and the reply being assembled.
struct LinkState {
    std::array<std::uint8_t, kFrameBufferSize> TxFrame{};
    std::array<std::uint8_t, kFrameBufferSize> RxFrame{};
    int RxCount = 0;
    int RequestFunction = 0;  // 0 = none outstanding
    int RequestLength = 0;    // whole request, CRC included
    int ReplyLength = 0;      // whole expected reply, CRC included; 0 = nothing expected
    int TickCount = 0;        // engine ticks since the request was sent; 0 = none outstanding
};

// The command engine's own state.
struct EngineState {
    int CurrentCommand = 0;  // 0 = the measurement poll
    bool SensorAnswering = false;
    int SpinnerPhase = 0;
    bool ReopenPort = true;
    bool TransmitInhibit = false;
    int BlockRetries = 0;
    int StampRetries = 0;
    int CompletedHold = 0;
};

// One data record of a checked software image: where it loads and the bytes it carries. The
// block with counter k carries the k-th data record of the file, counted from 0.
struct ImageBlock {
    std::uint16_t Address = 0;
    std::vector<std::uint8_t> Data;
};

// The most data bytes one flash block carries: its request (address, function, load address,
// count, data, CRC) must stay within the 255 bytes a frame's CRC can cover.
inline constexpr int kMostBlockBytes = 248;

// Software download progress and the image it sends.
struct DownloadRecord {
    corvane::DownloadState DownloadState = corvane::DownloadState::Idle;
    corvane::DownloadOrigin DownloadOrigin = corvane::DownloadOrigin::None;
    unsigned BlockTotal = 0;
    unsigned BlockIndex = 0;
    int DownloadProgress = 0;
    int ImageStatus = 0;                 // 1 = the image chosen was read and checked
    std::uint16_t LastBlockAddress = 0;  // load address of the record read last
    std::uint8_t LastBlockCount = 0;     // byte count of the record read last
    // The image read and checked when the download started; the blocks are sent from it.
    std::vector<ImageBlock> Image;
};

// Everything the link changes as it runs: the request outstanding, the engine, the queue, the
// search, the setup read, the download and the calibration stamp. The records hold one; only the
// link writes it.
struct LinkMachine {
    LinkState Link;
    EngineState Engine;
    CommandQueue Queue;
    corvane::ScanState ScanState = corvane::ScanState::Idle;
    int ScanDirection = 0;  // 1 = downwards
    int UploadBlock = 0;    // data block being read; kUploadFinished once all are in
    // The data block whose replies failed the frame check, and how many attempts at it failed.
    int UploadFailedBlock = -1;
    int UploadFailedAttempts = 0;
    // The serial number of the sensor whose whole setup was read last; empty while the setup held
    // came from elsewhere (the defaults, the state file, a configuration file loaded since).
    std::string SetupReadFromSerial;
    int SetupReadFromAddress = -1;  // ... and the address it was read at
    DownloadRecord Download;
    corvane::CalibrationStamp CalibrationDone = corvane::CalibrationStamp::None;
};

}  // namespace corvane
