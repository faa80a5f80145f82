#pragma once

namespace corvane {

struct SharedRecords;
class SensorLink;

// Forcing the two current outputs to fixed test currents and returning them to normal, as the
// Test and Calibration pages do it and as the main window does it when the program closes. Each
// only sets the values the request encoder reads and queues the command on the sensor link.

// Test currents the pages offer, in mA.
inline constexpr int kTestCurrents[] = {2, 4, 12, 20, 22};

// Forces output 1 or 2 to `mA`: the output's own test command with the current and the output's
// bit (0x40 for output 1, 0x80 for output 2). The other output is left as it is.
void ForceOutput(SharedRecords& records, SensorLink& link, int output, int mA);

// Forces both outputs to `mA` with the one command for both (4 mA gives 0xC4, 20 mA 0xD4).
void ForceBothOutputs(SharedRecords& records, SensorLink& link, int mA);

// Both outputs back to normal measurement: the shown currents become the reported ones, every
// test code 0, a forcing request not yet sent is withdrawn, and the command for both goes out
// with 0. The output calibration point is dropped too, since no point is forced any more.
void ReturnOutputsToNormal(SharedRecords& records, SensorLink& link);

// Whether an output this program forced may still be forced in the sensor: one was forced and
// not returned, or the return to normal has not been answered (or timed out) yet.
bool OutputsLeftForced(const SharedRecords& records);

// Whether a return to normal (or any test command for both outputs) is queued or outstanding.
bool BothOutputsCommandUnderway(const SharedRecords& records);

}  // namespace corvane
