#pragma once

#include <cstdint>
#include <vector>

#include "link/crc16.h"
#include "link/link_machine_access.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

namespace corvane::testing {

inline constexpr LocalDate kTestDate{2026, 12, 7};

// `body` followed by its CRC, low byte first.
inline std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> body) {
    const std::uint16_t crc = Crc16(body);
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    return body;
}

// Sends `command` the way the engine does on a sending tick.
inline void StartExchange(SharedRecords& r, int command) {
    BeginRequest(r);
    Machine(r).Engine.CurrentCommand = command;
    BuildRequest(r, command, kTestDate);
    FinishRequest(r);
}

// The request as it would go on the wire.
inline std::vector<std::uint8_t> SentFrame(const SharedRecords& r) {
    return {r.Link().TxFrame.begin(), r.Link().TxFrame.begin() + r.Link().RequestLength};
}

// Feeds every byte on port 1; returns the event of the last byte.
inline FrameEvent Feed(SharedRecords& r, const std::vector<std::uint8_t>& bytes) {
    FrameEvent last = FrameEvent::Incomplete;
    for (const std::uint8_t b : bytes) {
        last = ReceiveByte(r, b, 1);
    }
    return last;
}

// A 21-byte poll reply from `address` with the given raw values and status bytes.
inline std::vector<std::uint8_t> PollReply(std::uint8_t address, std::vector<std::uint8_t> values,
                                           std::vector<std::uint8_t> status = {0, 0, 0, 0, 0}) {
    std::vector<std::uint8_t> body{address, 0x35};
    values.resize(12, 0);
    body.insert(body.end(), values.begin(), values.end());
    body.insert(body.end(), status.begin(), status.end());
    return WithCrc(body);
}

}  // namespace corvane::testing
