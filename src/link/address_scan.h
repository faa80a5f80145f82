#pragma once

#include "link/link_states.h"

namespace corvane {

struct SharedRecords;
namespace fw {
class OperatorPrompts;
}

// One step of the device-address scan, run by the engine on each sending tick before it
// chooses the command. A prompt to the operator is posted through the operator's prompts with the
// state already set to "awaiting operator", so ticks that run while it is open do not repeat it;
// the answer sets the next state.
void RunScanStep(SharedRecords& records, fw::OperatorPrompts& prompts);

}  // namespace corvane
