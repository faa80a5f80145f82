// libFuzzer target: any byte stream, delivered in any request context, through the frame
// assembler and the reply decoder.
#include <cstddef>
#include <cstdint>

#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    corvane::SharedRecords records;
    records.UploadBlock = data[0] % 20;
    records.ScanState = data[1] % 12;
    records.Service.CalOutputsEntered = 1;
    corvane::BeginRequest(records);
    corvane::BuildRequest(records, data[2] % 41, corvane::LocalDate{2026, 12, 7});
    corvane::FinishRequest(records);
    for (std::size_t i = 3; i < size; ++i) {
        corvane::ReceiveByte(records, data[i], 1);
    }
    return 0;
}
