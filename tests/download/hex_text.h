#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/shared_records.h"
#include "sim/virtual_sensor.h"

namespace corvane::testing {

// One Intel HEX record with its checksum, in upper-case digits, ending in CR LF.
inline std::string HexRecord(int type, int address, const std::vector<std::uint8_t>& data) {
    std::vector<int> bytes{static_cast<int>(data.size()), (address >> 8) & 0xFF, address & 0xFF,
                           type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    int sum = 0;
    for (const int b : bytes) sum += b;
    bytes.push_back((0x100 - (sum & 0xFF)) & 0xFF);
    std::string text = ":";
    for (const int b : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    return text + "\r\n";
}

inline const std::string kEndRecord = ":00000001FF\r\n";

// An image of `blocks` data records of `bytesPerBlock` bytes each at consecutive addresses,
// with patterned data, as a toolchain writes it (extended linear address 0000 first).
inline std::vector<ImageBlock> PatternImage(int blocks, int bytesPerBlock) {
    std::vector<ImageBlock> image;
    for (int b = 0; b < blocks; ++b) {
        ImageBlock block;
        block.Address = static_cast<std::uint16_t>(b * bytesPerBlock);
        for (int i = 0; i < bytesPerBlock; ++i) {
            block.Data.push_back(static_cast<std::uint8_t>((b * 31 + i * 7 + 3) & 0xFF));
        }
        image.push_back(block);
    }
    return image;
}

inline std::string HexText(const std::vector<ImageBlock>& image) {
    std::string text = HexRecord(4, 0, {0x00, 0x00});
    for (const ImageBlock& block : image) text += HexRecord(0, block.Address, block.Data);
    return text + kEndRecord;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

inline std::vector<sim::FlashRecord> AsFlash(const std::vector<ImageBlock>& image) {
    std::vector<sim::FlashRecord> flash;
    for (const ImageBlock& block : image) flash.push_back({block.Address, block.Data});
    return flash;
}

// A file in a scratch folder of the test, removed with the folder.
class ScratchFolder {
  public:
    ScratchFolder() {
        path_ = std::filesystem::temp_directory_path() /
                ("corvane-download-" +
                 std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string Write(const std::string& name, const std::string& content) const {
        const auto file = path_ / name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
        return file.string();
    }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace corvane::testing
