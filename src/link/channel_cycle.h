#pragma once

#include <array>
#include <optional>
#include <vector>

#include "link/sensor_data.h"

namespace corvane {

struct SharedRecords;

// The channel whose poll has just ended in the cycle, and whether it was answered (its readings
// are then in the records).
struct ChannelVisit {
    int channel = 0;  // 1..5
    bool answered = false;
    // A reply came but failed its check or was an exception: the sensor is there, its readings
    // were not taken this time.
    bool rejected = false;
};

// Polling up to five sensors on one line, one after the other: while the cycle holds the line,
// each measurement poll goes to the next channel that is on (the engine moves DeviceId to the
// selected channel's address as it sends the poll), and when the cycle gives the line back
// DeviceId returns to the address in use before it took over. The Channels page and the command
// line's monitor of several addresses run it. Channels are numbered 1 to 5; 0 = none.
class ChannelCycle {
  public:
    using Flags = std::array<int, kChannelCount>;  // non-zero = the channel is on

    explicit ChannelCycle(SharedRecords& records) : r_(records) {}

    // The address in use now is the one to give back.
    void RememberAddressInUse();
    // Takes the line over, starting at the lowest channel that is on.
    void TakeTheLine(const Flags& on);
    // Gives the line back, keeping the channels' addresses and on/off states in the records.
    // Nothing happens unless the cycle holds the line.
    void GiveBackTheLine(const std::array<int, kChannelCount>& addresses, const Flags& on);
    bool HoldsLine() const { return holdsLine_; }
    // Takes the line over to poll `addresses` (one to five) in turn, as channels 1, 2, ...
    void PollAddresses(const std::vector<int>& addresses);

    // A channel was switched on: the cycle starts with it when no channel is selected.
    void ChannelSwitchedOn(int channel);
    // A channel was switched off: the cycle starts again at the lowest channel still on.
    void ChannelSwitchedOff(const Flags& on);

    // One step of the cycle: once the poll to the selected channel has been answered, rejected or
    // timed out, the next channel that is on is selected and the visit returned. Nothing while a
    // poll is under way.
    std::optional<ChannelVisit> Step(const Flags& on);

    // The channel that answers at `address` now, for a poll reply: the selected one when the
    // reply came from its address, else the channel with that address; 0 while no cycle runs
    // and -1 when the address is no channel's.
    static int ChannelOfReply(const SensorData& sensor, int address);

  private:
    void SwitchTo(int channel);

    SharedRecords& r_;
    int returnId_ = 0;        // the address in use before the cycle took the line over
    bool holdsLine_ = false;  // DeviceId is the cycle's to move
};

// The lowest channel that is on, and the next one that is on after `channel` (round from 5 to
// 1; `channel` itself when no other is on). 0 = none is on.
int LowestChannelOn(const ChannelCycle::Flags& on);
int NextChannelOnAfter(const ChannelCycle::Flags& on, int channel);

}  // namespace corvane
