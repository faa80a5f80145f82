#pragma once

#include <cstdint>

namespace corvane {

struct SharedRecords;
class DownloadReplyHandler;

// Prepares the link for a new request: clears the reply buffer and the lengths and counts the
// sending tick as tick 1.
void BeginRequest(SharedRecords& records);

// Puts the address (0 for the download functions, DeviceId otherwise) and the function code in
// front of the encoded payload and the CRC-16 behind it, low byte first. A request with nothing
// to send (RequestLength below 4) is left untouched.
void FinishRequest(SharedRecords& records);

// What one received byte did to the reply being assembled.
enum class FrameEvent {
    Ignored,     // delivered for a port number outside 1..4
    Incomplete,  // more bytes expected
    Exception,   // an exception reply from the sensor ended the exchange
    Passed,      // frame check passed, reply decoded
    Failed,      // frame check failed, reply not decoded
};

// The receive path: stores the byte, recognises an exception reply at the fifth byte (or, for a
// reply of four bytes, at its fourth), and once ReplyLength bytes are in, checks the CRC and
// decodes the reply only when the check passes.
// Every path that ends the exchange resets the request state so that the next engine tick
// sends again. A frame too short to carry a CRC fails the check.
FrameEvent ReceiveByte(SharedRecords& records, std::uint8_t byte, int portNumber,
                       DownloadReplyHandler* downloadReplies = nullptr);

// True when the first `length` bytes of `frame` end in their correct CRC.
bool FrameCheckPasses(const std::uint8_t* frame, int length);

}  // namespace corvane
