// A walk through one exchange of the sensor link: the measurement poll is built and framed, a
// sensor reply is assembled byte by byte and decoded, and the resulting readings and System
// Messages are printed.
#include <cstdio>
#include <vector>

#include "link/command_table.h"
#include "link/crc16.h"
#include "link/request_encoder.h"
#include "link/rtu_framing.h"
#include "link/shared_records.h"

namespace {

void PrintFrame(const char* label, const std::uint8_t* bytes, int length) {
    std::printf("%s", label);
    for (int i = 0; i < length; ++i) {
        std::printf(" %02X", bytes[i]);
    }
    std::printf("\n");
}

std::vector<std::uint8_t> SampleReply(std::uint8_t address) {
    std::vector<std::uint8_t> reply{address, 0x35,
                                    0x04, 0xD2,  // conductivity 123.4 mS/cm
                                    0x04, 0xB0,  // compensated 120.0 mS/cm
                                    0x09, 0xC4,  // 25.00 °C
                                    0x00, 0x00,  // no concentration
                                    0x30, 0xD4,  // output 1 12.500 mA
                                    0x27, 0x10,  // output 2 10.000 mA
                                    0x10, 0x00, 0x00, 0x00, 0x00};  // temperature comp. error
    const std::uint16_t crc = corvane::Crc16(reply);
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    return reply;
}

}  // namespace

int main() {
    using namespace corvane;
    SharedRecords records;
    ResetSensorData(records);
    records.Sensor.DeviceId = 5;

    BeginRequest(records);
    BuildRequest(records, PollMeasurement, LocalDate{2026, 12, 7});
    FinishRequest(records);
    PrintFrame("Request to sensor 5:", records.Link.TxFrame.data(), records.Link.RequestLength);

    const auto reply = SampleReply(5);
    PrintFrame("Reply from sensor 5:", reply.data(), static_cast<int>(reply.size()));
    for (const std::uint8_t b : reply) {
        ReceiveByte(records, b, 1);
    }

    const SensorData& s = records.Sensor;
    std::printf("Conductivity %.1f mS/cm, with T.C. %.1f mS/cm, temperature %.2f %s\n", s.CondRaw,
                s.CondComp, s.Temperature, s.TempUnit.c_str());
    std::printf("Output 1 %.3f mA, output 2 %.3f mA\n", s.Out1Current, s.Out2Current);

    BuildMessageLines(records.Slots, records.Lines);
    std::printf("System Messages:\n");
    for (const auto& line : records.Lines) {
        if (!line.empty()) {
            std::printf("  %s\n", line.c_str());
        }
    }
    return 0;
}
