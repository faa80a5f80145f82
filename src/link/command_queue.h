#pragma once

#include <array>
#include <cstdint>

namespace corvane {

// The pending commands. Slot 0 is the pending flag (1 = something was queued since the engine
// last found the queue empty, 255 = nothing queued); slot c holds c while command c is pending
// and 255 otherwise. Queuing a pending command again changes nothing.
class CommandQueue {
  public:
    static constexpr int kSize = 255;
    static constexpr std::uint8_t kIdle = 255;

    CommandQueue() { slots_.fill(kIdle); }

    void Queue(int code);
    void Withdraw(int code);
    bool IsPending(int code) const;
    bool FlagRaised() const { return slots_[0] == 1; }
    void RaiseFlag() { slots_[0] = 1; }

    // Takes the lowest pending code and marks it served; 0 when nothing is pending, which also
    // lowers the flag.
    int TakeLowest();

    // The raw byte of slot `index` (0..254), as the queue stores it.
    std::uint8_t Slot(int index) const { return slots_[static_cast<std::size_t>(index)]; }

  private:
    static bool IsCommandSlot(int code) { return code >= 1 && code < kSize; }
    std::array<std::uint8_t, kSize> slots_{};
};

}  // namespace corvane
