#include "link/status_lines.h"

#include <cstdio>

namespace corvane {
namespace {

const std::string kEmpty;

bool InRange(int number) {
    return number >= MessageSlots::kFirst && number <= MessageSlots::kLast;
}

struct DeviceLine {
    int statusByte;  // 0..4 = reply bytes 14..18
    std::uint8_t mask;
    int line;
    std::string_view text;
};

constexpr std::array<DeviceLine, 8> kMeasurementLines = {{
    {0, 0x10, 11, "Msg 11..Temp Comp Err"},
    {0, 0x01, 12, "Msg 12..Cond Over-rng"},
    {0, 0x02, 13, "Msg 13..Cond Under-rng"},
    {0, 0x04, 14, "Msg 14..Temp Over-rng"},
    {0, 0x08, 15, "Msg 15..Temp Under-rng"},
    {0, 0x20, 16, "Msg 16..User Cond.Error"},
    {0, 0x40, 17, "Msg 17..User Conc.Error"},
    {0, 0x80, 18, "Msg 18..User No.Pts.Error"},
}};

constexpr std::array<DeviceLine, 8> kOutputLines = {{
    {1, 0x10, 21, "Msg 21..Output 1 > 22 mA"},
    {1, 0x20, 22, "Msg 22..Output 1 < 2 mA"},
    {1, 0x01, 23, "Msg 23..Output 1 Fault"},
    {1, 0x02, 24, "Msg 24..Output 1 Cal.Err"},
    {1, 0x40, 25, "Msg 25..Output 2 > 22 mA"},
    {1, 0x80, 26, "Msg 26..Output 2 < 2 mA"},
    {1, 0x04, 27, "Msg 27..Output 2 Fault"},
    {1, 0x08, 28, "Msg 28..Output 2 Cal.Err"},
}};

constexpr std::array<DeviceLine, 17> kMemoryAndCalibrationLines = {{
    {4, 0x01, 51, "Msg 51..EE Cksum A Error"},
    {4, 0x02, 52, "Msg 52..EE Cksum B Error"},
    {4, 0x04, 53, "Msg 53..EE Cksum C Error"},
    {4, 0x10, 54, "Msg 54..EE R/W Error"},
    {4, 0x20, 55, "Msg 55..ADC R/W Error"},
    {2, 0x01, 61, "Msg 61..Cond Rng 1 Z L Err"},
    {2, 0x02, 62, "Msg 62..Cond Rng 2 Z L Err"},
    {2, 0x04, 63, "Msg 63..Cond Rng 3 Z L Err"},
    {2, 0x10, 65, "Msg 65..Cond Rng 1 Z H Err"},
    {2, 0x20, 66, "Msg 66..Cond Rng 2 Z H Err"},
    {2, 0x40, 67, "Msg 67..Cond Rng 3 Z H Err"},
    {3, 0x01, 71, "Msg 71..Cond Rng 1 S L Err"},
    {3, 0x02, 72, "Msg 72..Cond Rng 2 S L Err"},
    {3, 0x04, 73, "Msg 73..Cond Rng 3 S L Err"},
    {3, 0x10, 75, "Msg 75..Cond Rng 1 S H Err"},
    {3, 0x20, 76, "Msg 76..Cond Rng 2 S H Err"},
    {3, 0x40, 77, "Msg 77..Cond Rng 3 S H Err"},
}};

template <std::size_t N>
void ApplyLines(MessageSlots& slots, const std::array<DeviceLine, N>& table,
                std::span<const std::uint8_t, 5> status) {
    for (const DeviceLine& entry : table) {
        const bool set = (status[static_cast<std::size_t>(entry.statusByte)] & entry.mask) != 0;
        if (set) {
            slots.Set(entry.line, entry.text);
        } else {
            slots.Clear(entry.line);
        }
    }
}

}  // namespace

void MessageSlots::Set(int number, std::string_view text) {
    if (InRange(number)) {
        slots_[static_cast<std::size_t>(number)] = text;
    }
}

void MessageSlots::Clear(int number) {
    if (InRange(number)) {
        slots_[static_cast<std::size_t>(number)].clear();
    }
}

void MessageSlots::ClearRange(int first, int last) {
    for (int n = first; n <= last; ++n) {
        Clear(n);
    }
}

const std::string& MessageSlots::Text(int number) const {
    return InRange(number) ? slots_[static_cast<std::size_t>(number)] : kEmpty;
}

void BuildMessageLines(const MessageSlots& slots, MessageLines& lines) {
    std::size_t next = 0;
    for (int n = MessageSlots::kFirst; n <= MessageSlots::kLast && next < lines.size(); ++n) {
        if (slots.Stands(n)) {
            lines[next++] = slots.Text(n);
        }
    }
    for (; next < lines.size(); ++next) {
        lines[next].clear();
    }
}

namespace line {

std::string FunctionCompleted(int function) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(function));
    return std::string("Msg 07..Function 0x") + hex + " Completed";
}

std::string ReceivingDataBlock(int counter) {
    return "Msg 09..Receiving Data Block " + std::to_string(counter) + " of 16";
}

std::string FlashBlockTransmitted(unsigned blockIndex) {
    return "Msg 34..Flash Block " + std::to_string(blockIndex) + " Transmitted";
}

std::string UnknownBlockVerdict(int verdict) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(verdict & 0xFF));
    return std::string("Msg 80..Specific 0x") + hex + " Returned Hex Code";
}

std::string FlashBlockResending(unsigned blockIndex) {
    return "Msg 38..Flash Block " + std::to_string(blockIndex) + " Error.. Resending";
}

std::string SettingNewId(int address) {
    return "Msg 41..Setting New Modbus ID " + std::to_string(address);
}

std::string StartScan(int address) {
    return "Msg 42..Start Modbus Scan ID " + std::to_string(address);
}

std::string RestoreLastId(int address) {
    return "Msg 43..Restore Last Modbus ID " + std::to_string(address);
}

std::string ScanningId(int address) {
    return "Msg 44.. Scanning Modbus Device ID " + std::to_string(address);
}

}  // namespace line

void ApplyDeviceStatus(MessageSlots& slots, std::span<const std::uint8_t, 5> status) {
    slots.Clear(line::kReceivingDataBlock);
    slots.Clear(line::kIssueNotReturned);
    ApplyLines(slots, kMeasurementLines, status);
    ApplyLines(slots, kOutputLines, status);
    slots.Clear(line::kDownloadLines);
    slots.Clear(line::kScanLines);
    ApplyLines(slots, kMemoryAndCalibrationLines, status);
}

}  // namespace corvane
