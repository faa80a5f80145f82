#include "sim/virtual_line.h"

namespace corvane::sim {

bool VirtualLine::Open(const PortSettings& settings, ByteReceiver& receiver) {
    ++generation_;
    ++openings_;
    if (openFails_) {
        open_ = false;
        receiver_ = nullptr;
        return false;
    }
    settings_ = settings;
    receiver_ = &receiver;
    open_ = true;
    return true;
}

fw::VirtualClock::Micros VirtualLine::CharacterTime() const {
    const int bits =
        1 + settings_.DataBits + (settings_.Parity == 'N' ? 0 : 1) + settings_.StopBits;
    const int baud = settings_.BaudRate > 0 ? settings_.BaudRate : 9600;
    return (static_cast<fw::VirtualClock::Micros>(bits) * fw::kSecond + baud - 1) / baud;
}

bool VirtualLine::Understands(const VirtualSensor& sensor) const {
    const PortSettings& own = sensor.Line();
    return own.BaudRate == settings_.BaudRate && own.Parity == settings_.Parity &&
           own.DataBits == settings_.DataBits && own.StopBits == settings_.StopBits;
}

const VirtualSensor* VirtualLine::BroadcastAnswerer() const {
    for (const VirtualSensor* sensor : sensors_) {
        if (sensor->Address() == 0) {
            return sensor;
        }
    }
    return sensors_.empty() ? nullptr : sensors_.front();
}

void VirtualLine::Write(std::span<const std::uint8_t> bytes) {
    if (!open_) {
        return;
    }
    // One reading of the clock: outside a run (a write from a Qt timer) the clock catches up
    // with real time when read, and the frame must cross the line from the moment it was sent.
    const auto sent = clock_.Now();
    written_.emplace_back(bytes.begin(), bytes.end());
    writeTimes_.push_back(sent);
    const auto arrival =
        sent + CharacterTime() * static_cast<fw::VirtualClock::Micros>(bytes.size());
    clock_.At(arrival, [this, frame = written_.back(), generation = generation_] {
        if (generation != generation_) {
            return;
        }
        const VirtualSensor* answerer = BroadcastAnswerer();
        for (VirtualSensor* sensor : sensors_) {
            if (!Understands(*sensor)) {
                continue;
            }
            auto reply = sensor->HandleFrame(frame, clock_.Now(), sensor == answerer);
            if (!reply) {
                continue;
            }
            const auto start = clock_.Now() + reply->delayUs;
            const auto length =
                CharacterTime() * static_cast<fw::VirtualClock::Micros>(reply->bytes.size());
            Deliver(std::move(reply->bytes), start);
            if (!reply->strayBytes.empty()) {
                Deliver(std::move(reply->strayBytes), start + length + reply->strayDelayUs);
            }
        }
    });
}

void VirtualLine::Inject(std::span<const std::uint8_t> bytes) {
    Deliver({bytes.begin(), bytes.end()}, clock_.Now());
}

void VirtualLine::Deliver(std::vector<std::uint8_t> bytes, fw::VirtualClock::Micros start) {
    const auto characterTime = CharacterTime();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto when = start + characterTime * static_cast<fw::VirtualClock::Micros>(i + 1);
        clock_.At(when, [this, byte = bytes[i], generation = generation_] {
            if (generation == generation_ && receiver_ != nullptr) {
                receiver_->OnSerialByte(byte, settings_.PortNumber);
            }
        });
    }
}

}  // namespace corvane::sim
