#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvane::sim {

// The virtual sensor's non-volatile setup and identity: exactly the 17 data blocks of 16 bytes
// that the setup upload reads, kept as one 272-byte image. Fields that span two blocks are
// contiguous in the image, so each field has one offset.
class SetupMemory {
  public:
    static constexpr std::size_t kBlockCount = 17;
    static constexpr std::size_t kBlockSize = 16;
    static constexpr std::size_t kSize = kBlockCount * kBlockSize;

    // Where each field lives in the image.
    struct Offset {
        static constexpr std::size_t SerialNumber = 1;  // 6 characters
        static constexpr std::size_t InstallIssue = 7;  // 3 bytes
        static constexpr std::size_t InstallDate = 10;  // 4 packed-decimal bytes
        static constexpr std::size_t InstallName = 14;  // 16 characters
        static constexpr std::size_t UpgradeDate = 30;
        static constexpr std::size_t UpgradeName = 34;
        static constexpr std::size_t CalibrationDate = 74;
        static constexpr std::size_t CalibrationName = 78;
        static constexpr std::size_t PlantNumber = 94;  // 10 characters
        static constexpr std::size_t DigitalCode = 128;
        static constexpr std::size_t Slope = 129;  // hundredths, 2 bytes
        static constexpr std::size_t TempFlags = 131;
        static constexpr std::size_t ConcFilter = 132;
        static constexpr std::size_t CondFilter = 133;
        static constexpr std::size_t TempFilter = 134;
        static constexpr std::size_t TdsFactor = 140;  // hundredths, 2 bytes
        static constexpr std::size_t Out1SourceMode = 142;
        static constexpr std::size_t Out1Filter = 143;
        static constexpr std::size_t Out1Range = 144;  // 4 mA value, 20 mA value
        static constexpr std::size_t Out2SourceMode = 148;
        static constexpr std::size_t Out2Filter = 149;
        static constexpr std::size_t Out2Range = 150;
        static constexpr std::size_t CustomPoints = 154;
        static constexpr std::size_t CustomText = 155;  // 33 characters
        static constexpr std::size_t CustomConc = 188;  // 9 points, hundredths
        static constexpr std::size_t CustomCond = 206;  // 9 points, tenths
        static constexpr std::size_t UpgradeIssue = 257;
    };

    SetupMemory() { image_.fill(0); }

    std::span<const std::uint8_t, kBlockSize> Block(std::size_t block) const;

    std::uint8_t Byte(std::size_t offset) const { return image_.at(offset); }
    std::uint16_t Word(std::size_t offset) const;
    void SetByte(std::size_t offset, std::uint8_t value) { image_.at(offset) = value; }
    void SetWord(std::size_t offset, std::uint16_t value);
    void SetBytes(std::size_t offset, std::span<const std::uint8_t> bytes);
    // ASCII text, zero padded to `width`.
    void SetText(std::size_t offset, std::string_view text, std::size_t width);

    // Fills the setup blocks (8..13) with the factory setup; identity is left alone.
    void LoadFactorySetup();

  private:
    std::array<std::uint8_t, kSize> image_{};
};

// Two decimal digits packed into one byte, the first in the high nibble.
std::uint8_t Bcd(int twoDigits);

}  // namespace corvane::sim
