#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "link/port_failure.h"

namespace corvane {

// Line settings for opening a serial port.
struct PortSettings {
    int PortNumber = 1;  // 1..4
    int BaudRate = 9600;
    char Parity = 'N';  // 'E', 'O', 'N', 'M' or 'S'
    int DataBits = 8;   // 7 or 8
    int StopBits = 1;   // 1 or 2
};

// Receives the bytes a serial channel reads, one call per byte.
class ByteReceiver {
  public:
    virtual ~ByteReceiver() = default;
    virtual void OnSerialByte(std::uint8_t byte, int portNumber) = 0;
};

// The serial line to the sensor.
//
// Contract:
// - Open (re)opens the port with `settings` and starts delivering received bytes to `receiver`.
//   Reopening first stops the delivery of the earlier opening. It returns false when the device
//   cannot be opened; nothing is delivered then, and writes are the caller's to withhold.
// - Every received byte reaches `receiver` exactly once, in the order of arrival, on the thread
//   that runs the engine, together with the port number it was opened with.
// - Write discards any input that has arrived but not yet been delivered, then sends the bytes.
//   It copies them, so the caller may reuse its buffer at once. It never blocks the caller for
//   the line time.
// - Failures of port operations are reported by the channel itself (to the operator) and, as
//   what they are, to the failure observer; the engine only learns whether Open succeeded.
class SerialChannel {
  public:
    using FailureObserver = std::function<void(const PortFailure&)>;

    virtual ~SerialChannel() = default;
    virtual bool Open(const PortSettings& settings, ByteReceiver& receiver) = 0;
    virtual void Write(std::span<const std::uint8_t> bytes) = 0;
    // Told of each failure the channel reports; a channel that cannot fail tells nothing.
    virtual void SetFailureObserver(FailureObserver /*observer*/) {}
};

}  // namespace corvane
