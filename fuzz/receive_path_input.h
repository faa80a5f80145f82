#pragma once

#include <cstddef>
#include <cstdint>

#include "link/link_machine_access.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

namespace corvane::fuzz {

// An input of the receive path target: three bytes that choose the request being answered, then
// the bytes that arrive on the line.
//   byte 0  upload block, 0..19 (the 17 blocks and values past them)
//   byte 1  address scan state, 0..11
//   byte 2  command code, 0..40 (every code of the table and the gaps between them)
inline constexpr std::size_t kRequestHeaderBytes = 3;

// Sends, into `records`, the request the header `header` chooses, on a fixed day.
inline void PrepareRequest(SharedRecords& records, const std::uint8_t* header) {
    Machine(records).UploadBlock = header[0] % 20;
    Machine(records).ScanState = static_cast<ScanState>(header[1] % 12);
    records.Service.CalOutputsEntered = true;
    BeginRequest(records);
    BuildRequest(records, header[2] % 41, LocalDate{2026, 12, 7});
    FinishRequest(records);
}

}  // namespace corvane::fuzz
