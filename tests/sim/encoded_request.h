#pragma once

#include <cstdint>
#include <vector>

#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

namespace corvane::sim {

// The request the program would send for `command`, built by the real encoder.
inline std::vector<std::uint8_t> RequestFor(SharedRecords& r, int command) {
    BeginRequest(r);
    BuildRequest(r, command, LocalDate{2026, 12, 7});
    FinishRequest(r);
    return {r.Link().TxFrame.begin(), r.Link().TxFrame.begin() + r.Link().RequestLength};
}

}  // namespace corvane::sim
