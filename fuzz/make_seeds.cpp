// Writes the named seed inputs of the fuzz targets:
//
//   corvane-fuzz-seeds FOLDER     (from the source folder: corvane-fuzz-seeds fuzz/seeds)
//
// into FOLDER/receive_path/, FOLDER/state_file/, FOLDER/config_file/ and FOLDER/hex_image/. Each
// receive path seed is a request header followed by the reply the virtual sensor gives to that
// request, whole or damaged in a named way; each state file seed is a file the program writes, or
// one damaged in a named way. The fuzzers start from these, and the seed replay test runs every one
// of them in each build.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "app/state_file.h"
#include "fuzz/receive_path_input.h"
#include "link/command_table.h"
#include "link/sensor_data.h"
#include "link/shared_records.h"
#include "setup/config_file.h"
#include "sim/fault_modes.h"
#include "sim/virtual_sensor.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Write(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
        std::fprintf(stderr, "corvane-fuzz-seeds: cannot write %s\n", file.string().c_str());
        return false;
    }
    std::printf("%s (%zu bytes)\n", file.string().c_str(), bytes.size());
    return true;
}

// The header choosing `command` in the given upload block and scan state, and what a virtual
// sensor at the records' address answers to that request (reply, then any stray bytes).
Bytes Exchange(int command, int uploadBlock = 0, int scanState = 0,
               const corvane::sim::FaultModes& faults = {}) {
    Bytes seed{static_cast<std::uint8_t>(uploadBlock), static_cast<std::uint8_t>(scanState),
               static_cast<std::uint8_t>(command)};
    corvane::SharedRecords records;
    corvane::fuzz::PrepareRequest(records, seed.data());
    corvane::sim::VirtualSensor sensor(records.Sensor.DeviceId);
    sensor.Faults() = faults;
    const auto& tx = records.Link().TxFrame;
    const auto reply =
        sensor.HandleFrame(std::span<const std::uint8_t>(
                               tx.data(), static_cast<std::size_t>(records.Link().RequestLength)),
                           0);
    if (reply) {
        seed.insert(seed.end(), reply->bytes.begin(), reply->bytes.end());
        seed.insert(seed.end(), reply->strayBytes.begin(), reply->strayBytes.end());
    }
    return seed;
}

bool WriteReceivePathSeeds(const std::filesystem::path& folder) {
    using namespace corvane;
    sim::FaultModes badCrc;
    badCrc.badCrc = true;
    sim::FaultModes exceptions;
    exceptions.exceptionReplies = true;
    sim::FaultModes stray;
    stray.strayBytes = true;

    constexpr auto kHeader = static_cast<std::ptrdiff_t>(fuzz::kRequestHeaderBytes);
    const Bytes poll = Exchange(PollMeasurement);
    const Bytes header(poll.begin(), poll.begin() + kHeader);
    Bytes truncated(poll.begin(), poll.begin() + kHeader + (std::ssize(poll) - kHeader) / 2);
    Bytes doubled = poll;
    doubled.insert(doubled.end(), poll.begin() + kHeader, poll.end());

    bool ok = true;
    const auto put = [&](const char* name, const Bytes& bytes) {
        ok = Write(folder / name, bytes) && ok;
    };
    put("request_header_only.bin", header);
    put("poll_reply_ok.bin", poll);
    put("poll_reply_truncated.bin", truncated);
    put("poll_reply_twice.bin", doubled);
    put("poll_reply_bad_crc.bin", Exchange(PollMeasurement, 0, 0, badCrc));
    put("poll_reply_exception.bin", Exchange(PollMeasurement, 0, 0, exceptions));
    put("poll_reply_then_stray_bytes.bin", Exchange(PollMeasurement, 0, 0, stray));
    put("unknown_command_sends_poll.bin", Exchange(11));
    put("probe_reply_during_address_scan.bin", Exchange(ProbeDeviceId, 0, 7));
    put("data_block_first_reply_ok.bin", Exchange(ReadDataBlock, 0));
    put("data_block_last_reply_ok.bin", Exchange(ReadDataBlock, 16));
    put("data_block_past_last_exception.bin", Exchange(ReadDataBlock, 19));
    put("calibrate_cond_reply_ok.bin", Exchange(CalibrateCond925));
    put("digital_setup_reply_ok.bin", Exchange(WriteDigitalSetup));
    put("request_download_reply_ok.bin", Exchange(RequestDownload));
    put("stamp_install_reply_ok.bin", Exchange(StampInstall));
    return ok;
}

bool WriteStateFileSeeds(const std::filesystem::path& folder) {
    using namespace corvane;
    SharedRecords defaults;
    ResetSensorData(defaults);
    const Bytes file = EncodeState(defaults);

    // Where the first text's length prefix sits: the first byte that changes when that text
    // gets one character.
    SharedRecords withText = defaults;
    withText.Sensor.TempSlopeUnit = "x";
    const Bytes textFile = EncodeState(withText);
    std::size_t text = 0;
    while (text < file.size() && file[text] == textFile[text]) ++text;
    const auto upToText = [&](Bytes tail) {
        Bytes bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(text));
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };

    SharedRecords longTexts = defaults;
    longTexts.Sensor.TempSlopeUnit = std::string(300, 'L');
    longTexts.Sensor.CustomRangeText = std::string(255, 'T');

    SharedRecords extremes = defaults;
    extremes.Sensor.DeviceId = std::numeric_limits<int>::min();
    extremes.Sensor.BaudIndex = std::numeric_limits<int>::max();
    extremes.Sensor.PortIndex = std::numeric_limits<int>::max();
    extremes.Sensor.TempCompSlope = std::numeric_limits<double>::quiet_NaN();
    extremes.Sensor.Out1.At4mA = -std::numeric_limits<double>::infinity();
    extremes.Sensor.Out1.At20mA = std::numeric_limits<double>::max();
    extremes.Sensor.CustomRangePoints = -1;

    // The value before the first text is a double: end the file half-way through it.
    Bytes halfDouble(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(text) - 4);

    bool ok = true;
    const auto put = [&](const char* name, const Bytes& bytes) {
        ok = Write(folder / name, bytes) && ok;
    };
    put("empty_file.bin", {});
    put("state_file_defaults.bin", file);
    put("state_file_long_texts.bin", EncodeState(longTexts));
    put("state_file_extreme_values.bin", EncodeState(extremes));
    put("truncated_in_double.bin", halfDouble);
    put("truncated_text_length.bin", upToText({0xFF, 0xFF, 0xFF}));
    put("text_longer_than_file.bin", upToText({200, 'a', 'b'}));
    put("invalid_text_length_prefix.bin", upToText({0xFF, 0xFE, 0xFF, 'a'}));
    put("text_with_32bit_length.bin", upToText({0xFF, 0xFF, 0xFF, 3, 0, 0, 0, 'a', 'b', 'c'}));
    Bytes trailing = file;
    trailing.insert(trailing.end(), {1, 2, 3, 4});
    put("trailing_bytes_after_last_value.bin", trailing);
    return ok;
}

bool WriteConfigFileSeeds(const std::filesystem::path& folder) {
    using namespace corvane;
    SharedRecords defaults;
    ResetSensorData(defaults);
    const Bytes file = EncodeConfig(defaults);

    SharedRecords emptyTexts = defaults;
    SensorData& e = emptyTexts.Sensor;
    for (std::string* text :
         {&e.TempSlopeUnit, &e.TempUnitName, &e.TempCompBaseText, &e.TempUnit, &e.Out1.FilterName,
          &e.Out1.SourceName, &e.Out1.Unit, &e.Out2.FilterName, &e.Out2.SourceName, &e.Out2.Unit,
          &e.DigitalFilterName, &e.DigitalRangeName, &e.DigitalUnit, &e.CustomRangeText,
          &emptyTexts.OperatorName}) {
        text->clear();
    }
    const Bytes empty = EncodeConfig(emptyTexts);

    SharedRecords longTexts = defaults;
    longTexts.Sensor.CustomRangeText = std::string(600, 'C');
    longTexts.Sensor.Out1.SourceName = std::string(255, 'S');
    longTexts.OperatorName = std::string(254, 'N');

    SharedRecords extremes = defaults;
    extremes.Sensor.Out1.Source = std::numeric_limits<int>::max();
    extremes.Sensor.DigitalRange = -5;
    extremes.Sensor.CustomRangePoints = 1000;
    extremes.Sensor.TdsFactor = std::numeric_limits<double>::quiet_NaN();
    extremes.Sensor.Out2.At20mA = -0.0;

    bool ok = true;
    const auto put = [&](const char* name, const Bytes& bytes) {
        ok = Write(folder / name, bytes) && ok;
    };
    put("config_defaults.bin", file);
    put("config_all_texts_empty.bin", empty);
    put("config_long_texts.bin", EncodeConfig(longTexts));
    put("config_extreme_values.bin", EncodeConfig(extremes));
    put("config_truncated_after_slope.bin", Bytes(file.begin(), file.begin() + 32));
    put("config_last_byte_missing.bin", Bytes(empty.begin(), empty.end() - 1));
    Bytes pastEnd(file.begin(), file.begin() + 32);
    pastEnd.insert(pastEnd.end(), {200, 'a', 'b'});
    put("config_text_length_past_end.bin", pastEnd);
    Bytes trailing = file;
    trailing.insert(trailing.end(), {9, 9, 9});
    put("config_trailing_bytes.bin", trailing);
    return ok;
}

}  // namespace

// One Intel HEX record with its checksum.
std::string HexRecord(int type, int address, const Bytes& data) {
    Bytes bytes{static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(type)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    int sum = 0;
    for (const std::uint8_t b : bytes) sum += b;
    bytes.push_back(static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
    std::string text = ":";
    for (const std::uint8_t b : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    return text + "\r\n";
}

bool WriteHexImageSeeds(const std::filesystem::path& folder) {
    const std::string end = ":00000001FF\r\n";
    const std::string data = HexRecord(0, 0x0030, {0x02, 0x33, 0x7A});
    const std::string toolchain = HexRecord(4, 0, {0, 0}) + data +
                                  HexRecord(0, 0x0100, Bytes(16, 0x5A)) +
                                  HexRecord(5, 0, {0, 0, 1, 0}) + end;
    std::string lower = toolchain;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    bool ok = true;
    const auto put = [&](const char* name, const std::string& text) {
        ok = Write(folder / name, Bytes(text.begin(), text.end())) && ok;
    };
    put("toolchain_image.bin", toolchain);
    put("lower_case_digits.bin", lower);
    put("bad_checksum.bin", data.substr(0, 13) + "00\r\n" + end);
    put("upper_address_set.bin", HexRecord(4, 0, {0, 1}) + data + end);
    put("no_end_record.bin", data);
    put("no_data_records.bin", HexRecord(4, 0, {0, 0}) + end);
    put("count_longer_than_line.bin", ":0500300002337A19\r\n" + end);
    put("odd_digit_count.bin", ":0300300002337A1\r\n" + end);
    put("record_after_end.bin", end + data);
    put("record_past_ffff.bin", data + HexRecord(0, 0xFFF8, Bytes(16, 0xA5)) + end);
    put("record_ending_at_ffff.bin", HexRecord(0, 0xFFF0, Bytes(16, 0xA5)) + end);
    std::string crOnly = toolchain;
    std::erase(crOnly, '\n');
    put("carriage_return_line_ends.bin", crOnly);
    put("dos_end_of_file_byte.bin", toolchain + "\x1A");
    put("dos_end_of_file_byte_before_end.bin", data + "\x1A" + end);
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    std::error_code ec;
    for (const char* target : {"receive_path", "state_file", "config_file", "hex_image"}) {
        std::filesystem::create_directories(root / target, ec);
        if (ec) {
            std::fprintf(stderr, "corvane-fuzz-seeds: cannot make %s: %s\n",
                         (root / target).string().c_str(), ec.message().c_str());
            return 1;
        }
    }
    const bool receive = WriteReceivePathSeeds(root / "receive_path");
    const bool state = WriteStateFileSeeds(root / "state_file");
    const bool config = WriteConfigFileSeeds(root / "config_file");
    const bool hex = WriteHexImageSeeds(root / "hex_image");
    return receive && state && config && hex ? 0 : 1;
}
