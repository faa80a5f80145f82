// libFuzzer target: any bytes as a configuration file. A load that fails must leave the records
// exactly as they were.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "config/config_file.h"
#include "link/shared_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvane::SharedRecords records;
    const auto before = corvane::EncodeConfig(records);
    if (!corvane::DecodeConfig(std::span(data, size), records)) {
        if (corvane::EncodeConfig(records) != before) std::abort();  // a half-loaded setup
        return 0;
    }
    // What loaded saves again and loads back to the same records.
    const auto saved = corvane::EncodeConfig(records);
    corvane::SharedRecords again;
    if (!corvane::DecodeConfig(saved, again) || corvane::EncodeConfig(again) != saved) {
        std::abort();
    }
    return 0;
}
