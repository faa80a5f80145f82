#include "link/request_encoder.h"

#include <cmath>
#include <span>
#include <string>

#include "framework/text_codec.h"
#include "link/code_tables.h"
#include "link/command_table.h"
#include "link/link_machine_access.h"
#include "link/shared_records.h"
#include "link/wire_values.h"

namespace corvane {
namespace {

constexpr std::size_t kPayload = 2;     // payload offset in the frame
constexpr std::size_t kNameWidth = 16;  // names in stamps
constexpr std::size_t kCustomText1Width = 17;
constexpr std::size_t kCustomText2Width = 16;

// The whole-number part of a value, as its low 16 bits.
std::uint16_t WholePart(double value) {
    return ScaledWireValue(std::trunc(value), 1.0);
}

// Characters [first, first + count) of a UTF-8 text, counted as wire characters.
std::string WireCharacters(const std::string& utf8, std::size_t first, std::size_t count) {
    const auto wire = Utf8ToWire(utf8);
    if (first >= wire.size()) {
        return "";
    }
    const std::size_t end = std::min(wire.size(), first + count);
    return WireToUtf8(std::span(wire).subspan(first, end - first));
}

class RequestBuilder {
  public:
    RequestBuilder(SharedRecords& records, const LocalDate& today)
        : r_(records), s_(records.Sensor), frame_(Machine(records).Link.TxFrame), today_(today) {}

    void Byte(std::size_t index, int value) {
        frame_[kPayload + index] = static_cast<std::uint8_t>(value & 0xFF);
    }
    void Word(std::size_t index, std::uint16_t value) { PutU16(frame_, kPayload + index, value); }
    void Text(std::size_t index, const std::string& utf8, std::size_t width) {
        PutWireText(frame_, kPayload + index, utf8, width);
    }

    // Date as DDMMYYYY packed two digits per byte, then a 16-character name.
    void DateStamp(const std::string& name) {
        Byte(0, PackDecimal(today_.Day));
        Byte(1, PackDecimal(today_.Month));
        Byte(2, PackDecimal(today_.Year / 100));
        Byte(3, PackDecimal(today_.Year % 100));
        Text(4, name, kNameWidth);
    }

    void TemperatureSetup() {
        Byte(0, (s_.TempFahrenheit != 0 ? 0x01 : 0) | (s_.TempCompBaseHigh != 0 ? 0x02 : 0));
        std::uint16_t slope = ScaledWireValue(s_.TempCompSlope, 100.0);
        if (s_.TempFahrenheit != 0) {
            slope = static_cast<std::uint16_t>(slope * 9 / 5);
        }
        Word(1, slope);
    }

    void OutputSetup(const CurrentOutput& out, bool firstOutput) {
        int errorMode = 0;
        if (out.ErrorSignal != 0) {
            errorMode = out.ErrorHigh == 0 ? 1 : 2;
        }
        Byte(0, (errorMode << 4) | (SourceCodeFromIndex(out.Source) & 0x0F));
        Byte(1, out.Filter);
        Word(2, WholePart(out.At4mA));
        Word(4, WholePart(out.At20mA));
        Word(6, firstOutput ? ScaledWireValue(s_.TdsFactor, 100.0) : WholePart(s_.TdsFactor));
    }

    void DigitalSetup() {
        Byte(0, s_.ConcFilterOn == 1 ? s_.DigitalFilter : 0);
        Byte(1, s_.CondFilterOn == 1 ? s_.DigitalFilter : 0);
        Byte(2, s_.TempFilterOn == 1 ? s_.DigitalFilter : 0);
        Byte(3, DigitalCodeFromIndex(s_.DigitalRange));
        Byte(4, 0xFF);
        Byte(5, 0xFF);
        Byte(6, 0x77);
        Byte(7, 0x77);
        Byte(8, 0xFF);
        Word(9, WholePart(s_.TdsFactor));
    }

    void CustomPoints(const std::array<double, kCustomRangePointCount>& points, double scale) {
        for (std::size_t n = 0; n < points.size(); ++n) {
            Word(2 * n, ScaledWireValue(points[n], scale));
        }
    }

    void OutputCalibration() {
        ServiceRequests& svc = r_.Service;
        if (!svc.CalOutputsEntered) {
            // Nothing to send: the request stays outstanding unsent and times out.
            Machine(r_).Link.RequestLength = 0;
            return;
        }
        Word(0, ScaledWireValue(svc.CalOut1Reading, 1000.0));
        Word(2, ScaledWireValue(svc.CalOut2Reading, 1000.0));
        svc.CalOutputsEntered = false;
        svc.CalOutputPoint = 0;
    }

    void ServeChannelSwitch() {
        if (s_.ChannelSwitch != ChannelSwitch::Requested) {
            return;
        }
        if (s_.ChannelSelected >= 1 && s_.ChannelSelected <= kChannelCount) {
            s_.DeviceId = s_.ChannelId[static_cast<std::size_t>(s_.ChannelSelected - 1)];
            s_.ChannelSwitch = ChannelSwitch::Switched;
        }
    }

    void EmptyFlashBlock() {
        DownloadRecord& d = Machine(r_).Download;
        Word(0, d.LastBlockAddress);
        Byte(2, d.LastBlockCount);
        Machine(r_).Link.RequestLength = d.LastBlockCount + 7;
        Machine(r_).Link.ReplyLength = 5;
    }

    void Payload(int command, FlashBlockReader* blockReader) {
        switch (command) {
            case PollMeasurement: ServeChannelSwitch(); break;
            case CalibrateCond925: Byte(0, 1); break;
            case CalibrateCond92_5: Byte(0, 2); break;
            case CalibrateCond9_25: Byte(0, 3); break;
            case CalibrateCondZero: Byte(0, 0); break;
            case WriteCalibrationStamp:
            case ResetCalibration:
                s_.CalibrationName = r_.OperatorName;
                DateStamp(s_.CalibrationName);
                break;
            case CalibrateOutputs: OutputCalibration(); break;
            case FinishDownload: Byte(0, fn::kFinishDownload); break;
            case LoadDefaultSetup: Byte(0, fn::kDefaultSetup); break;
            case CalibrateTemperature:
                Word(0, ScaledWireValue(r_.Service.CalTrueTemperature, 100.0));
                break;
            case WriteTempSetup: TemperatureSetup(); break;
            case WriteOutput1Setup: OutputSetup(s_.Out1, true); break;
            case WriteOutput2Setup: OutputSetup(s_.Out2, false); break;
            case WriteDigitalSetup: DigitalSetup(); break;
            case WriteCustomConc: CustomPoints(s_.CustomConc, 100.0); break;
            case WriteCustomCond: CustomPoints(s_.CustomCond, 10.0); break;
            case ReadDataBlock: Byte(0, Machine(r_).UploadBlock); break;
            case RequestDownload: Byte(0, fn::kRequestDownload); break;
            case DownloadBlockCount:
                Word(0, static_cast<std::uint16_t>(Machine(r_).Download.BlockTotal & 0xFFFF));
                break;
            case FlashBlock:
                if (blockReader != nullptr) {
                    blockReader->ReadBlock(r_);
                } else {
                    EmptyFlashBlock();
                }
                break;
            case ChangeDeviceId: Byte(0, s_.NewDeviceId); break;
            case WriteSerialNumber: Text(0, s_.SerialNumber, 6); break;
            case WritePlantNumber: Text(0, s_.PlantNumber, 10); break;
            case TestOutput1: Byte(0, r_.Service.TestCode1); break;
            case TestBothOutputs: Byte(0, r_.Service.TestCodeBoth); break;
            case TestOutput2: Byte(0, r_.Service.TestCode2); break;
            case WriteCustomText1:
                Text(0, WireCharacters(s_.CustomRangeText, 0, kCustomText1Width),
                     kCustomText1Width);
                break;
            case WriteCustomText2:
                Text(0, WireCharacters(s_.CustomRangeText, kCustomText1Width, kCustomText2Width),
                     kCustomText2Width);
                Byte(kCustomText2Width, s_.CustomRangePoints);
                break;
            case StampInstall: DateStamp(s_.InstallName); break;
            case StampUpgrade: DateStamp(s_.UpgradeName); break;
            default: break;  // probe, source calibrations: no payload
        }
    }

  private:
    SharedRecords& r_;
    SensorData& s_;
    std::span<std::uint8_t> frame_;
    LocalDate today_;
};

}  // namespace

void BuildRequest(SharedRecords& records, int command, const LocalDate& today,
                  FlashBlockReader* blockReader) {
    auto info = FindCommand(command);
    if (!info) {
        Machine(records).Engine.CurrentCommand = 0;
        command = PollMeasurement;
        info = FindCommand(command);
    }
    LinkState& link = Machine(records).Link;
    link.RequestFunction = info->function;
    link.RequestLength = info->requestLength;
    link.ReplyLength = info->replyLength;
    RequestBuilder(records, today).Payload(command, blockReader);
}

}  // namespace corvane
