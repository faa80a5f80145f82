// libFuzzer target: any byte stream, delivered in any request context, through the frame
// assembler and the reply decoder. The input's first bytes choose the request (see
// receive_path_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/receive_path_input.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < corvane::fuzz::kRequestHeaderBytes) return 0;
    corvane::SharedRecords records;
    corvane::fuzz::PrepareRequest(records, data);
    for (std::size_t i = corvane::fuzz::kRequestHeaderBytes; i < size; ++i) {
        corvane::ReceiveByte(records, data[i], 1);
    }
    return 0;
}
