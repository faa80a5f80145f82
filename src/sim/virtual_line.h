#pragma once

#include <cstdint>
#include <vector>

#include "framework/headless/virtual_clock.h"
#include "link/serial_channel.h"
#include "sim/virtual_sensor.h"

namespace corvane::sim {

// An in-process serial line on the virtual clock, with any number of virtual sensors on it.
// Bytes take line time at the opened baud rate in both directions; a sensor whose own line
// settings differ from the port's does not understand the request. A download frame sent to
// address 0 is acted on by every sensor and answered by the sensor at address 0 (or, when none
// has that address, the first attached), so replies never collide.
class VirtualLine : public SerialChannel {
  public:
    explicit VirtualLine(fw::VirtualClock& clock) : clock_(clock) {}

    void Attach(VirtualSensor& sensor) { sensors_.push_back(&sensor); }
    // Makes the next openings fail, as a missing or busy device would.
    void SetOpenFails(bool fails) { openFails_ = fails; }

    bool Open(const PortSettings& settings, ByteReceiver& receiver) override;
    void Write(std::span<const std::uint8_t> bytes) override;

    // Time one character takes on the line with the open settings.
    fw::VirtualClock::Micros CharacterTime() const;

    const std::vector<std::vector<std::uint8_t>>& Written() const { return written_; }
    const std::vector<fw::VirtualClock::Micros>& WriteTimes() const { return writeTimes_; }
    int Openings() const { return openings_; }
    const PortSettings& Settings() const { return settings_; }

    // Delivers bytes as if they had arrived on the line now (stray input, tests).
    void Inject(std::span<const std::uint8_t> bytes);

  private:
    bool Understands(const VirtualSensor& sensor) const;
    const VirtualSensor* BroadcastAnswerer() const;
    void Deliver(std::vector<std::uint8_t> bytes, fw::VirtualClock::Micros start);

    fw::VirtualClock& clock_;
    std::vector<VirtualSensor*> sensors_;
    ByteReceiver* receiver_ = nullptr;
    PortSettings settings_;
    bool open_ = false;
    bool openFails_ = false;
    int openings_ = 0;
    std::uint64_t generation_ = 0;  // deliveries of an earlier opening are dropped
    std::vector<std::vector<std::uint8_t>> written_;
    std::vector<fw::VirtualClock::Micros> writeTimes_;
};

}  // namespace corvane::sim
