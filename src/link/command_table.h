#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace corvane {

// Command codes a page (or the engine) can queue. Code 0 is the measurement poll, which the
// engine sends whenever nothing is queued.
enum Command : int {
    PollMeasurement = 0,
    CalibrateCond925 = 1,
    CalibrateCond92_5 = 2,
    CalibrateCond9_25 = 3,
    CalibrateCondZero = 4,
    ProbeDeviceId = 5,
    WriteCalibrationStamp = 6,
    ResetCalibration = 7,
    CalibrateOutputs = 8,
    FinishDownload = 9,
    LoadDefaultSetup = 10,
    CalibrateTemperature = 12,
    WriteTempSetup = 13,
    WriteOutput1Setup = 14,
    WriteOutput2Setup = 15,
    WriteDigitalSetup = 16,
    WriteCustomConc = 18,
    WriteCustomCond = 19,
    ReadDataBlock = 20,
    RequestDownload = 21,
    DownloadBlockCount = 22,
    FlashBlock = 23,
    CalibrateSource1K0 = 24,
    CalibrateSource1K5 = 25,
    ChangeDeviceId = 27,
    WriteSerialNumber = 28,
    WritePlantNumber = 29,
    TestOutput1 = 30,
    TestBothOutputs = 31,
    TestOutput2 = 32,
    WriteCustomText1 = 37,
    WriteCustomText2 = 38,
    StampInstall = 39,
    StampUpgrade = 40,
};

// Sensor function codes.
namespace fn {
inline constexpr int kProbe = 0x30;
inline constexpr int kDefaultSetup = 0x31;
inline constexpr int kPoll = 0x35;
inline constexpr int kTestOutputs = 0x40;
inline constexpr int kTempSetup = 0x50;
inline constexpr int kOutput1Setup = 0x51;
inline constexpr int kOutput2Setup = 0x52;
inline constexpr int kDigitalSetup = 0x53;
inline constexpr int kCustomConc = 0x55;
inline constexpr int kCustomCond = 0x56;
inline constexpr int kCustomText1 = 0x57;
inline constexpr int kCustomText2 = 0x58;
inline constexpr int kDataBlock = 0x60;
inline constexpr int kCalibrateCond = 0x61;
inline constexpr int kCalibrateTemp = 0x62;
inline constexpr int kCalibrateOutputs = 0x63;
inline constexpr int kCalibrationStamp = 0x64;
inline constexpr int kResetCalibration = 0x65;
inline constexpr int kRequestDownload = 0x66;
inline constexpr int kBlockCount = 0x67;
inline constexpr int kFlashBlock = 0x68;
inline constexpr int kFinishDownload = 0x69;
inline constexpr int kChangeAddress = 0x70;
inline constexpr int kSerialNumber = 0x71;
inline constexpr int kPlantNumber = 0x72;
inline constexpr int kInstallStamp = 0x73;
inline constexpr int kUpgradeStamp = 0x74;
inline constexpr int kSource1K0 = 0x75;
inline constexpr int kSource1K5 = 0x76;
}  // namespace fn

// One row of the command table. Lengths count the address, the function code and the CRC; a
// flash block's request length depends on its data and is given here without data bytes.
struct CommandInfo {
    int code;
    std::string_view name;
    int function;
    int requestLength;
    int replyLength;
};

// The row for `code`, or nothing for a code the table does not hold.
std::optional<CommandInfo> FindCommand(int code);

// Download requests and their stamps go to the broadcast address 0.
bool IsBroadcastFunction(int function);

// What a function code is. Everything that has to tell functions apart by what they do (the
// sensor link's confirmations, the service record, the command line, the virtual sensor) asks
// this table rather than listing codes of its own.
enum class FunctionKind {
    Poll,
    Probe,
    SetupRead,     // a data block of the setup
    SetupPart,     // a write of one part of the setup (the plant number is one)
    DefaultSetup,  // the sensor's default setup loaded
    Calibration,   // a conductivity, temperature or output calibration, a reset, a source
    CalibrationStamp,
    SerialNumber,
    AddressChange,
    OutputsForced,  // the current outputs forced to a test current, or returned to normal
    DownloadRequest,
    BlockCount,
    FlashBlock,
    FinishDownload,
    InstallStamp,
    UpgradeStamp,
};

struct FunctionInfo {
    int function;
    FunctionKind kind;
    int requestLength;  // address, function, payload and CRC (a flash block: without its data)
    bool slowAnswer;    // the sensor may take long to act on it before it answers
    std::string_view description;  // "the temperature setup write", for messages
    std::string_view part;         // a setup part's name; empty for the others
};

// The row for `function`, or nothing for a code the sensor does not know.
const FunctionInfo* FindFunction(int function);
// Every function the sensor knows, in code order.
std::span<const FunctionInfo> Functions();

}  // namespace corvane
