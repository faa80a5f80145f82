#include "sim/setup_memory.h"

#include <algorithm>

namespace corvane::sim {

std::uint8_t Bcd(int twoDigits) {
    return static_cast<std::uint8_t>(((twoDigits / 10) % 10) << 4 | (twoDigits % 10));
}

std::span<const std::uint8_t, SetupMemory::kBlockSize> SetupMemory::Block(std::size_t block) const {
    return std::span<const std::uint8_t, kBlockSize>(image_.data() + block * kBlockSize,
                                                     kBlockSize);
}

std::uint16_t SetupMemory::Word(std::size_t offset) const {
    return static_cast<std::uint16_t>(image_.at(offset) << 8 | image_.at(offset + 1));
}

void SetupMemory::SetWord(std::size_t offset, std::uint16_t value) {
    image_.at(offset) = static_cast<std::uint8_t>(value >> 8);
    image_.at(offset + 1) = static_cast<std::uint8_t>(value & 0xFF);
}

void SetupMemory::SetBytes(std::size_t offset, std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        image_.at(offset + i) = bytes[i];
    }
}

void SetupMemory::SetText(std::size_t offset, std::string_view text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        image_.at(offset + i) = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
    }
}

void SetupMemory::LoadFactorySetup() {
    SetByte(Offset::DigitalCode, 0);
    SetWord(Offset::Slope, 200);
    SetByte(Offset::TempFlags, 0x02);  // Centigrade, base 25 °C
    SetByte(Offset::ConcFilter, 0);
    SetByte(Offset::CondFilter, 0);
    SetByte(Offset::TempFilter, 0);
    SetWord(Offset::TdsFactor, 68);
    SetByte(Offset::Out1SourceMode, 15);  // conductivity with compensation, no error signal
    SetByte(Offset::Out1Filter, 0);
    SetWord(Offset::Out1Range, 0);
    SetWord(Offset::Out1Range + 2, 10000);  // 1000.0 mS/cm in tenths
    SetByte(Offset::Out2SourceMode, 13);    // temperature
    SetByte(Offset::Out2Filter, 0);
    SetWord(Offset::Out2Range, 0);
    SetWord(Offset::Out2Range + 2, 10000);  // 100.00 °C in hundredths
    SetByte(Offset::CustomPoints, 9);
    SetText(Offset::CustomText, "Factory Custom Range", 33);
    for (std::size_t n = 0; n < 9; ++n) {
        SetWord(Offset::CustomConc + 2 * n, static_cast<std::uint16_t>(1110 * (n + 1)));
        SetWord(Offset::CustomCond + 2 * n, static_cast<std::uint16_t>(1110 * (n + 1)));
    }
}

}  // namespace corvane::sim
