// libFuzzer target: any bytes as a state file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvane::SharedRecords records;
    corvane::DecodeState(std::vector<std::uint8_t>(data, data + size), records);
    return 0;
}
