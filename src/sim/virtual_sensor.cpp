#include "sim/virtual_sensor.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "link/command_table.h"
#include "link/crc16.h"
#include "link/rtu_framing.h"

namespace corvane::sim {
namespace {

using Offset = SetupMemory::Offset;

constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalValue = 0x03;
constexpr int kHighestAddress = 247;
constexpr std::size_t kNameWidth = 16;

// Request length of each function the sensor knows (flash blocks: without their data); 0 for
// a function it does not know.
int RequestLengthOf(int function) {
    const FunctionInfo* info = FindFunction(function);
    return info != nullptr ? info->requestLength : 0;
}

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> bytes) {
    const std::uint16_t crc = Crc16(bytes);
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
}

void Append16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

using FlashMemory = std::map<std::uint16_t, std::uint8_t>;

FlashMemory FlashMemoryOf(std::span<const FlashRecord> image) {
    FlashMemory memory;
    for (const FlashRecord& record : image) {
        for (std::size_t i = 0; i < record.data.size(); ++i) {
            memory[static_cast<std::uint16_t>(record.address + i)] = record.data[i];
        }
    }
    return memory;
}

FlashDigest DigestOfMemory(const FlashMemory& memory) {
    constexpr std::uint64_t kPrime = 0x100000001b3u;
    FlashDigest result;
    result.bytes = memory.size();
    for (const auto& [address, value] : memory) {
        for (const std::uint8_t byte : {static_cast<std::uint8_t>(address >> 8),
                                        static_cast<std::uint8_t>(address & 0xFF), value}) {
            result.digest = (result.digest ^ byte) * kPrime;
        }
    }
    return result;
}

}  // namespace

int ExpectedRequestLength(std::span<const std::uint8_t> start) {
    if (start.size() < 2) return 0;
    const int length = RequestLengthOf(start[1]);
    if (start[1] != fn::kFlashBlock) return length;
    return start.size() < 5 ? 0 : length + start[4];
}

VirtualSensor::VirtualSensor(int address)
    : address_(address),
      faultRandom_(faults_.seed),
      faultSeed_(faults_.seed),
      // Each sensor on a line sits in a liquid of its own: 48 mS/cm, and 10 more for each step
      // of the address it starts at, so that the readings tell the sensors apart.
      process_(static_cast<std::uint32_t>(address) + 1, 48.0 + 10.0 * address) {
    memory_.SetText(Offset::SerialNumber, "VX" + std::to_string(400100 + address).substr(2), 6);
    memory_.SetBytes(Offset::InstallIssue, issue_);
    const std::uint8_t installDate[] = {0x14, 0x03, 0x20, 0x24};
    memory_.SetBytes(Offset::InstallDate, installDate);
    memory_.SetText(Offset::InstallName, "Corvane Factory", kNameWidth);
    memory_.SetBytes(Offset::UpgradeDate, installDate);
    memory_.SetText(Offset::UpgradeName, "Corvane Factory", kNameWidth);
    const std::uint8_t calibrationDate[] = {0x02, 0x09, 0x20, 0x25};
    memory_.SetBytes(Offset::CalibrationDate, calibrationDate);
    memory_.SetText(Offset::CalibrationName, "Service Bench 3", kNameWidth);
    memory_.SetText(Offset::PlantNumber, "TANK-" + std::to_string(address), 10);
    memory_.SetBytes(Offset::UpgradeIssue, issue_);
    memory_.LoadFactorySetup();
}

std::optional<SensorReply> VirtualSensor::HandleFrame(std::span<const std::uint8_t> frame,
                                                      std::int64_t nowUs, bool mayAnswerBroadcast) {
    latestUs_ = std::max(latestUs_, nowUs);
    if (faultSeed_ != faults_.seed) {
        faultSeed_ = faults_.seed;
        faultRandom_.seed(faultSeed_);
    }
    if (frame.size() < 4 || !FrameCheckPasses(frame.data(), static_cast<int>(frame.size()))) {
        return std::nullopt;
    }
    const int address = frame[0];
    const int function = frame[1];
    const bool broadcast = address == 0 && IsBroadcastFunction(function);
    if (address != address_ && !broadcast) {
        return std::nullopt;
    }
    if (nowUs < restartUntilUs_) {
        return std::nullopt;
    }
    ++requestsHandled_;
    std::optional<SensorReply> reply;
    if (faults_.exceptionReplies) {
        reply = Exception(function, kIllegalFunction);
    } else {
        reply = Dispatch(frame, nowUs);
    }
    if (broadcast && !mayAnswerBroadcast) {
        return std::nullopt;
    }
    ApplyFaults(reply);
    return reply;
}

std::optional<SensorReply> VirtualSensor::Dispatch(std::span<const std::uint8_t> frame,
                                                   std::int64_t nowUs) {
    const int function = frame[1];
    const int expected = RequestLengthOf(function);
    if (expected == 0) {
        return Exception(function, kIllegalFunction);
    }
    const auto payload = frame.subspan(2, frame.size() - 4);
    const bool flashBlock = function == fn::kFlashBlock;
    if ((!flashBlock && static_cast<int>(frame.size()) != expected) ||
        (flashBlock && static_cast<int>(frame.size()) < expected)) {
        return Exception(function, kIllegalValue);
    }
    const auto f = static_cast<std::uint8_t>(function);

    switch (function) {
        case fn::kPoll: return PollReply(nowUs);
        case fn::kProbe: return Reply({f});
        case fn::kDataBlock: {
            const std::size_t block = payload[0];
            if (block >= SetupMemory::kBlockCount) {
                return Exception(function, kIllegalValue);
            }
            std::vector<std::uint8_t> data{f};
            const auto bytes = memory_.Block(block);
            data.insert(data.end(), bytes.begin(), bytes.end());
            return Reply(std::move(data));
        }
        case fn::kCalibrateCond: {
            // The point: 0 zero, 1 925 mS/cm, 2 92.5, 3 9.25; any other is answered and ignored.
            constexpr std::array<double, 4> kNominal{0.0, 925.0, 92.5, 9.25};
            if (payload[0] < kNominal.size()) {
                process_.CalibrateConductivity(memory_, kNominal[payload[0]],
                                               static_cast<double>(nowUs) / 1e6);
            }
            return Reply({f, payload[0]}, kCalibrationUs);
        }
        case fn::kDefaultSetup:
            memory_.LoadFactorySetup();
            return Reply({f, payload[0]}, kCalibrationUs);
        case fn::kCalibrateTemp:
            process_.CalibrateTemperature(memory_,
                                          static_cast<std::int16_t>(Word(payload, 0)) / 100.0,
                                          static_cast<double>(nowUs) / 1e6);
            return Reply({f}, kAdjustUs);
        case fn::kSource1K0:
        case fn::kSource1K5: return Reply({f});
        // The output calibration trims the point both outputs are forced to.
        case fn::kCalibrateOutputs: return Reply({f, 0x00}, kAdjustUs);
        case fn::kCalibrationStamp:
            WriteStamp(payload, Offset::CalibrationDate, Offset::CalibrationName);
            return Reply({f});
        case fn::kResetCalibration:
            process_.ResetCalibrations();
            WriteStamp(payload, Offset::CalibrationDate, Offset::CalibrationName);
            return Reply({f}, kAdjustUs);
        case fn::kTempSetup:
            memory_.SetByte(Offset::TempFlags, payload[0] & 0x03);
            memory_.SetWord(Offset::Slope, Word(payload, 1));
            return Reply({f});
        case fn::kOutput1Setup:
            WriteOutputSetup(payload, Offset::Out1SourceMode, Offset::Out1Filter, Offset::Out1Range,
                             true);
            return Reply({f});
        case fn::kOutput2Setup:
            WriteOutputSetup(payload, Offset::Out2SourceMode, Offset::Out2Filter, Offset::Out2Range,
                             false);
            return Reply({f});
        case fn::kDigitalSetup: {
            memory_.SetByte(Offset::ConcFilter, payload[0]);
            memory_.SetByte(Offset::CondFilter, payload[1]);
            memory_.SetByte(Offset::TempFilter, payload[2]);
            memory_.SetByte(Offset::DigitalCode, payload[3]);
            std::vector<std::uint8_t> data{f};
            Append16(data, memory_.Word(Offset::Slope));
            return Reply(std::move(data));
        }
        case fn::kCustomConc:
            memory_.SetBytes(Offset::CustomConc, payload.first(18));
            return Reply({f});
        case fn::kCustomCond:
            memory_.SetBytes(Offset::CustomCond, payload.first(18));
            return Reply({f});
        case fn::kCustomText1:
            memory_.SetBytes(Offset::CustomText, payload.first(17));
            return Reply({f});
        case fn::kCustomText2:
            memory_.SetBytes(Offset::CustomText + 17, payload.first(16));
            memory_.SetByte(Offset::CustomPoints, payload[16]);
            return Reply({f});
        case fn::kSerialNumber:
            memory_.SetBytes(Offset::SerialNumber, payload.first(6));
            return Reply({f});
        case fn::kPlantNumber:
            memory_.SetBytes(Offset::PlantNumber, payload.first(10));
            return Reply({f});
        case fn::kTestOutputs: process_.ApplyTestCode(payload[0]); return Reply({f});
        case fn::kChangeAddress: {
            if (payload[0] > kHighestAddress) {
                return Exception(function, kIllegalValue);
            }
            SensorReply reply = Reply({f});
            address_ = payload[0];  // the acknowledgement still comes from the old address
            return reply;
        }
        case fn::kRequestDownload:
            downloading_ = true;
            flash_.clear();
            flashMemory_.clear();
            announcedBlocks_ = 0;
            return Reply({f, f}, kEraseUs);
        case fn::kBlockCount: announcedBlocks_ = Word(payload, 0); return Reply({f, f});
        case fn::kFlashBlock: return FlashBlockReply(payload);
        case fn::kFinishDownload: {
            SensorReply reply = Reply({f, f});
            if (downloading_ && !flash_.empty()) {
                issue_ = imageIssue_;
            }
            if (downloading_ && downloadObserver_) downloadObserver_(*this);
            downloading_ = false;
            restartUntilUs_ = nowUs + reply.delayUs + kRestartUs;
            return reply;
        }
        case fn::kInstallStamp:
            WriteStamp(payload, Offset::InstallDate, Offset::InstallName);
            WriteStamp(payload, Offset::UpgradeDate, Offset::UpgradeName);
            memory_.SetBytes(Offset::InstallIssue, issue_);
            memory_.SetBytes(Offset::UpgradeIssue, issue_);
            return Reply({f, 's', issue_[0], issue_[1], issue_[2]});
        case fn::kUpgradeStamp:
            WriteStamp(payload, Offset::UpgradeDate, Offset::UpgradeName);
            memory_.SetBytes(Offset::UpgradeIssue, issue_);
            return Reply({f, 't', issue_[0], issue_[1], issue_[2]});
        default: return Exception(function, kIllegalFunction);
    }
}

SensorReply VirtualSensor::Reply(std::vector<std::uint8_t> data, std::int64_t delayUs) const {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(address_)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    SensorReply reply;
    reply.bytes = WithCrc(std::move(bytes));
    reply.delayUs = delayUs;
    return reply;
}

SensorReply VirtualSensor::Exception(int function, std::uint8_t code) const {
    return Reply({static_cast<std::uint8_t>(function | 0x80), code});
}

SensorReply VirtualSensor::PollReply(std::int64_t nowUs) {
    const Measurement m = process_.Measure(memory_, static_cast<double>(nowUs) / 1e6);
    std::vector<std::uint8_t> data{static_cast<std::uint8_t>(fn::kPoll)};
    Append16(data, static_cast<std::uint16_t>(m.condRawTenths));
    Append16(data, static_cast<std::uint16_t>(m.condCompTenths));
    Append16(data, static_cast<std::uint16_t>(m.temperatureHundredths));
    Append16(data, static_cast<std::uint16_t>(m.concentrationHundredths));
    Append16(data, m.out1MicroAmps);
    Append16(data, m.out2MicroAmps);
    data.insert(data.end(), status_.begin(), status_.end());
    return Reply(std::move(data));
}

// The 4 mA and 20 mA values arrive as whole numbers; they are kept in tenths for the
// conductivity sources and in hundredths for the rest, as the upload reads them.
void VirtualSensor::WriteOutputSetup(std::span<const std::uint8_t> payload,
                                     std::size_t sourceModeOffset, std::size_t filterOffset,
                                     std::size_t rangeOffset, bool takesTds) {
    memory_.SetByte(sourceModeOffset, payload[0]);
    memory_.SetByte(filterOffset, payload[1]);
    const int source = payload[0] & 0x0F;
    const int scale = (source == 14 || source == 15) ? 10 : 100;
    for (std::size_t i = 0; i < 2; ++i) {
        const int stored = std::min(65535, Word(payload, 2 + 2 * i) * scale);
        memory_.SetWord(rangeOffset + 2 * i, static_cast<std::uint16_t>(stored));
    }
    if (takesTds) {
        memory_.SetWord(Offset::TdsFactor, Word(payload, 6));
    }
}

void VirtualSensor::WriteStamp(std::span<const std::uint8_t> payload, std::size_t dateOffset,
                               std::size_t nameOffset) {
    memory_.SetBytes(dateOffset, payload.first(4));
    memory_.SetBytes(nameOffset, payload.subspan(4, kNameWidth));
}

SensorReply VirtualSensor::FlashBlockReply(std::span<const std::uint8_t> payload) {
    const auto verdict = [this](char v) {
        return Reply({static_cast<std::uint8_t>(fn::kFlashBlock), static_cast<std::uint8_t>(v)});
    };
    if (!downloading_) {
        return verdict('t');
    }
    if (faults_.rejectBlocks > 0) {
        --faults_.rejectBlocks;
        return verdict('q');
    }
    const std::size_t count = payload[2];
    if (payload.size() != count + 3) {
        return verdict('r');
    }
    flash_.push_back({Word(payload, 0), {payload.begin() + 3, payload.end()}});
    const FlashRecord& block = flash_.back();
    for (std::size_t i = 0; i < block.data.size(); ++i) {
        flashMemory_[static_cast<std::uint16_t>(block.address + i)] = block.data[i];
    }
    return verdict('h');
}

double VirtualSensor::ChangeSeconds(std::optional<std::int64_t> atUs) {
    latestUs_ = std::max(latestUs_, atUs.value_or(latestUs_));
    return static_cast<double>(latestUs_) / 1e6;
}

void VirtualSensor::FitReference(std::optional<double> rawConductivity,
                                 std::optional<std::int64_t> atUs) {
    process_.FitReference(memory_, rawConductivity, ChangeSeconds(atUs));
}

void VirtualSensor::PlaceInBath(std::optional<double> celsius, std::optional<std::int64_t> atUs) {
    process_.PlaceInBath(celsius, ChangeSeconds(atUs));
}

void VirtualSensor::Apply(const ControlLine& line, std::optional<std::int64_t> atUs) {
    switch (line.kind) {
        case ControlLine::Kind::Comment: break;
        case ControlLine::Kind::Reference: FitReference(line.value, atUs); break;
        case ControlLine::Kind::Bath: PlaceInBath(line.value, atUs); break;
        case ControlLine::Kind::Error: SetConductivityError(line.value.value_or(0.0)); break;
    }
}

std::string VirtualSensor::Control(std::string_view line, std::optional<std::int64_t> atUs) {
    std::string message;
    const std::optional<ControlLine> parsed = ParseControlLine(line, message);
    if (parsed) Apply(*parsed, atUs);
    return message;
}

bool VirtualSensor::FlashEquals(std::span<const FlashRecord> image) const {
    return FlashMemoryOf(image) == flashMemory_;
}

FlashDigest VirtualSensor::Digest() const {
    return DigestOfMemory(flashMemory_);
}

FlashDigest DigestOf(std::span<const FlashRecord> image) {
    return DigestOfMemory(FlashMemoryOf(image));
}

std::string FlashDigestLine(int address, const FlashDigest& digest) {
    std::array<char, 96> text{};
    std::snprintf(text.data(), text.size(), "flash: address %d, %zu bytes, digest %016llx", address,
                  digest.bytes, static_cast<unsigned long long>(digest.digest));
    return text.data();
}

void VirtualSensor::ApplyFaults(std::optional<SensorReply>& reply) {
    if (!reply) {
        return;
    }
    if (replyObserver_) replyObserver_(reply->bytes);
    if (faults_.silent) {
        reply.reset();
        return;
    }
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const bool block = reply->bytes.size() > 1 && reply->bytes[1] == fn::kFlashBlock;
    if (block && faults_.blockDropProbability > 0.0 &&
        chance(faultRandom_) < faults_.blockDropProbability) {
        reply.reset();
        return;
    }
    if (block && faults_.blockCorruptProbability > 0.0 &&
        chance(faultRandom_) < faults_.blockCorruptProbability) {
        std::uniform_int_distribution<std::size_t> where(0, reply->bytes.size() - 1);
        reply->bytes[where(faultRandom_)] ^= 0x24;
    }
    if (faults_.dropProbability > 0.0 && chance(faultRandom_) < faults_.dropProbability) {
        reply.reset();
        return;
    }
    if (faults_.badCrc) {
        reply->bytes.back() ^= 0x5A;
    }
    if (faults_.corruptProbability > 0.0 && chance(faultRandom_) < faults_.corruptProbability) {
        std::uniform_int_distribution<std::size_t> where(0, reply->bytes.size() - 1);
        reply->bytes[where(faultRandom_)] ^= 0x24;
    }
    reply->delayUs += faults_.replyDelayUs;
    if (faults_.strayBytes) {
        reply->strayBytes = {0x7E, 0x81};
        reply->strayDelayUs = 60'000;
    }
}

}  // namespace corvane::sim
