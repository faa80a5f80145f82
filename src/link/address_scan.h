#pragma once

namespace corvane {

struct SharedRecords;
namespace fw {
class Host;
}

// Scan states shared by the Communications page and the engine.
namespace scan {
inline constexpr int kIdle = 0;
inline constexpr int kChangeAddress = 1;
inline constexpr int kStartSearch = 2;
inline constexpr int kRestore = 3;
inline constexpr int kFound = 4;
inline constexpr int kProbeTimedOut = 5;
inline constexpr int kAwaitingOperator = 6;
inline constexpr int kProbeOutstanding = 7;
inline constexpr int kAccepted = 8;
inline constexpr int kSettingsApplied = 9;
inline constexpr int kFinished = 10;
inline constexpr int kChangeSent = 11;
}  // namespace scan

// One step of the device-address scan, run by the engine on each sending tick before it
// chooses the command. A prompt to the operator is posted through the host with the state
// already set to "awaiting operator", so ticks that run while it is open do not repeat it; the
// answer sets the next state.
void RunScanStep(SharedRecords& records, fw::Host& host);

}  // namespace corvane
