#include "link/command_queue.h"

namespace corvane {

void CommandQueue::Queue(int code) {
    if (!IsCommandSlot(code)) {
        return;
    }
    slots_[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(code);
    slots_[0] = 1;
}

void CommandQueue::Withdraw(int code) {
    if (IsCommandSlot(code)) {
        slots_[static_cast<std::size_t>(code)] = kIdle;
    }
}

bool CommandQueue::IsPending(int code) const {
    return IsCommandSlot(code) && slots_[static_cast<std::size_t>(code)] != kIdle;
}

int CommandQueue::TakeLowest() {
    if (slots_[0] == kIdle) {
        return 0;
    }
    for (int code = 1; code < kSize; ++code) {
        auto& slot = slots_[static_cast<std::size_t>(code)];
        if (slot != kIdle) {
            const int taken = slot;
            slot = kIdle;
            return taken;
        }
    }
    slots_[0] = kIdle;
    return 0;
}

}  // namespace corvane
