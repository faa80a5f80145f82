#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/command_queue.h"
#include "link/link_states.h"
#include "link/sensor_data.h"
#include "link/status_lines.h"

namespace corvane {

inline constexpr std::size_t kFrameBufferSize = 512;

// Completion markers: the value an upload's block number and a calibration's marker take when
// the operation has finished, so the next link tick asks every window to reload.
inline constexpr int kUploadFinished = 100;
inline constexpr int kCalibrationDone = 100;

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
    int ImageStatus = 0;
    std::uint16_t LastBlockAddress = 0;  // load address of the record read last
    std::uint8_t LastBlockCount = 0;     // byte count of the record read last
    // The image read and checked when the download started; the blocks are sent from it.
    std::vector<ImageBlock> Image;
};

// Values the Calibration and Test pages leave for the request encoder.
struct ServiceRequests {
    double CalTrueTemperature = 0.0;
    double CalOut1Reading = 0.0;
    double CalOut2Reading = 0.0;
    int CalOutputPoint = 0;
    bool CalOutputsEntered = false;
    int CalibrationDone = 0;  // kCalibrationDone once a calibration stamp is queued
    int TestCode1 = 0;
    int TestCode2 = 0;
    int TestCodeBoth = 0;
    // The currents the pages forced (mA, 0 = normal) and the output currents the Test page shows.
    int TestCurrent1 = 0;
    int TestCurrent2 = 0;
    double TestOut1Display = 0.0;
    double TestOut2Display = 0.0;
    // Outputs this program has forced to a test current and not yet returned to normal, kept
    // apart from the page values above (which the pages clear on entry) so that closing the
    // program can tell whether the plant's loop may still read a test current.
    bool Output1Forced = false;
    bool Output2Forced = false;
};

// Every record the engine, the pages and the files share. The main window owns one; tests build
// as many as they like.
struct SharedRecords {
    SensorData Sensor;
    CommandQueue Queue;
    LinkState Link;
    EngineState Engine;
    MessageSlots Slots;
    MessageLines Lines;
    corvane::PageRefresh PageRefresh = corvane::PageRefresh::Idle;

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
    ServiceRequests Service;

    // The operator: name and password as typed, the access level they reached, and the
    // three user passwords of levels 3, 4 and 5.
    std::string OperatorName;
    std::string OperatorPassword;
    int AccessLevel = 0;
    std::string ConfigurePassword;
    std::string CalibratePassword;
    std::string InstallPassword;

    bool MainWindowStarted = false;
    bool ExitPromptShown = false;
};

// Whether the setup the records hold was read from the sensor connected now: its identity has
// been read and is the one the setup was read from.
bool SetupReadFromConnectedSensor(const SharedRecords& records);

}  // namespace corvane
