#pragma once

// Write access to the link's machine state, for the link's own sources (and the link's own
// unit tests, through their seam). Everything else reads the state through the records and
// changes it through the link's operations; a source outside the link that includes this header
// does not compile.
#if !defined(CORVANE_LINK_INTERNALS)
#error "The link's machine state is changed only by the link: use the sensor link's operations."
#endif

#include "link/shared_records.h"

namespace corvane {

struct LinkMachineAccess {
    static LinkMachine& Of(SharedRecords& records) { return records.machine_; }
};

// The link's machine state of `records`, to change.
inline LinkMachine& Machine(SharedRecords& records) {
    return LinkMachineAccess::Of(records);
}

}  // namespace corvane
