#include "link/channel_cycle.h"

#include "link/shared_records.h"

namespace corvane {
namespace {

std::size_t Index(int channel) {
    return static_cast<std::size_t>(channel - 1);
}

}  // namespace

int LowestChannelOn(const ChannelCycle::Flags& on) {
    for (int k = 1; k <= kChannelCount; ++k) {
        if (on[Index(k)] != 0) return k;
    }
    return 0;
}

int NextChannelOnAfter(const ChannelCycle::Flags& on, int channel) {
    for (int step = 1; step < kChannelCount; ++step) {
        const int k = (channel - 1 + step) % kChannelCount + 1;
        if (on[Index(k)] != 0) return k;
    }
    return channel;
}

void ChannelCycle::RememberAddressInUse() {
    returnId_ = r_.Sensor.DeviceId;
}

void ChannelCycle::TakeTheLine(const Flags& on) {
    SensorData& s = r_.Sensor;
    // The address every other page uses is remembered before the cycle moves DeviceId.
    returnId_ = s.DeviceId;
    holdsLine_ = true;
    const int first = LowestChannelOn(on);
    s.ChannelSelected = first;
    if (first != 0) {
        s.DeviceId = s.ChannelId[Index(first)];
        s.ChannelSwitch = ChannelSwitch::Requested;
    } else {
        s.ChannelSwitch = ChannelSwitch::Idle;
    }
}

void ChannelCycle::PollAddresses(const std::vector<int>& addresses) {
    SensorData& s = r_.Sensor;
    Flags on{};
    for (std::size_t i = 0; i < addresses.size() && i < on.size(); ++i) {
        s.ChannelId[i] = addresses[i];
        on[i] = 1;
    }
    s.ChannelOn = on;
    TakeTheLine(on);
}

void ChannelCycle::GiveBackTheLine(const std::array<int, kChannelCount>& addresses,
                                   const Flags& on) {
    if (!holdsLine_) return;
    holdsLine_ = false;
    SensorData& s = r_.Sensor;
    s.ChannelId = addresses;
    s.ChannelOn = on;
    s.ChannelSwitch = ChannelSwitch::Idle;
    s.ChannelSelected = 0;
    s.DeviceId = returnId_;
    s.NewDeviceId = returnId_;
    s.LastDeviceId = returnId_;
    ClearReadings(r_);
}

void ChannelCycle::ChannelSwitchedOn(int channel) {
    SensorData& s = r_.Sensor;
    if (s.ChannelSwitch == ChannelSwitch::Idle && s.ChannelSelected == 0) {
        s.ChannelSelected = channel;
        s.ChannelSwitch = ChannelSwitch::Requested;  // the engine moves DeviceId
    }
}

void ChannelCycle::ChannelSwitchedOff(const Flags& on) {
    if (const int first = LowestChannelOn(on); first != 0) {
        SwitchTo(first);
    } else {
        r_.Sensor.ChannelSelected = 0;
        r_.Sensor.ChannelSwitch = ChannelSwitch::Idle;
    }
}

// While the cycle holds the line the address to give back stays the one from before it took
// over, so switching between channels never makes a channel's address the one given back.
void ChannelCycle::SwitchTo(int channel) {
    SensorData& s = r_.Sensor;
    if (!holdsLine_) returnId_ = s.DeviceId;
    s.DeviceId = s.ChannelId[Index(channel)];
    s.ChannelSelected = channel;
    s.ChannelSwitch = ChannelSwitch::Requested;
}

std::optional<ChannelVisit> ChannelCycle::Step(const Flags& on) {
    SensorData& s = r_.Sensor;
    if (s.ChannelSelected == 0 &&
        (s.ChannelSwitch == ChannelSwitch::Idle || s.ChannelSwitch == ChannelSwitch::Requested)) {
        if (const int first = LowestChannelOn(on); first != 0) SwitchTo(first);
        return std::nullopt;
    }
    if (s.ChannelSwitch != ChannelSwitch::Answered && s.ChannelSwitch != ChannelSwitch::TimedOut &&
        s.ChannelSwitch != ChannelSwitch::Rejected) {
        return std::nullopt;  // a poll under way
    }
    const int k = s.ChannelSelected;
    if (k < 1 || k > kChannelCount) return std::nullopt;
    const ChannelVisit visit{k, s.ChannelSwitch == ChannelSwitch::Answered,
                             s.ChannelSwitch == ChannelSwitch::Rejected};
    s.ChannelSelected = NextChannelOnAfter(on, k);
    s.ChannelSwitch = ChannelSwitch::Requested;
    return visit;
}

int ChannelCycle::ChannelOfReply(const SensorData& s, int address) {
    if (s.ChannelSwitch == ChannelSwitch::Idle) return 0;
    const int selected = s.ChannelSelected;
    if (selected >= 1 && selected <= kChannelCount && s.ChannelId[Index(selected)] == address) {
        return selected;
    }
    for (int k = 1; k <= kChannelCount; ++k) {
        if (s.ChannelId[Index(k)] == address) return k;
    }
    return -1;
}

}  // namespace corvane
