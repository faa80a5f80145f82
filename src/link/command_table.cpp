#include "link/command_table.h"

#include <array>

namespace corvane {
namespace {

constexpr std::array<CommandInfo, 34> kCommands = {{
    {PollMeasurement, "PollMeasurement", fn::kPoll, 4, 21},
    {CalibrateCond925, "CalibrateCond925", fn::kCalibrateCond, 5, 5},
    {CalibrateCond92_5, "CalibrateCond92_5", fn::kCalibrateCond, 5, 5},
    {CalibrateCond9_25, "CalibrateCond9_25", fn::kCalibrateCond, 5, 5},
    {CalibrateCondZero, "CalibrateCondZero", fn::kCalibrateCond, 5, 5},
    {ProbeDeviceId, "ProbeDeviceId", fn::kProbe, 4, 4},
    {WriteCalibrationStamp, "WriteCalibrationStamp", fn::kCalibrationStamp, 24, 4},
    {ResetCalibration, "ResetCalibration", fn::kResetCalibration, 24, 4},
    {CalibrateOutputs, "CalibrateOutputs", fn::kCalibrateOutputs, 8, 5},
    {FinishDownload, "FinishDownload", fn::kFinishDownload, 5, 5},
    {LoadDefaultSetup, "LoadDefaultSetup", fn::kDefaultSetup, 5, 5},
    {CalibrateTemperature, "CalibrateTemperature", fn::kCalibrateTemp, 6, 4},
    {WriteTempSetup, "WriteTempSetup", fn::kTempSetup, 7, 4},
    {WriteOutput1Setup, "WriteOutput1Setup", fn::kOutput1Setup, 12, 4},
    {WriteOutput2Setup, "WriteOutput2Setup", fn::kOutput2Setup, 12, 4},
    {WriteDigitalSetup, "WriteDigitalSetup", fn::kDigitalSetup, 15, 6},
    {WriteCustomConc, "WriteCustomConc", fn::kCustomConc, 22, 4},
    {WriteCustomCond, "WriteCustomCond", fn::kCustomCond, 22, 4},
    {ReadDataBlock, "ReadDataBlock", fn::kDataBlock, 5, 20},
    {RequestDownload, "RequestDownload", fn::kRequestDownload, 5, 5},
    {DownloadBlockCount, "DownloadBlockCount", fn::kBlockCount, 6, 5},
    {FlashBlock, "FlashBlock", fn::kFlashBlock, 7, 5},
    {CalibrateSource1K0, "CalibrateSource1K0", fn::kSource1K0, 4, 4},
    {CalibrateSource1K5, "CalibrateSource1K5", fn::kSource1K5, 4, 4},
    {ChangeDeviceId, "ChangeDeviceId", fn::kChangeAddress, 5, 4},
    {WriteSerialNumber, "WriteSerialNumber", fn::kSerialNumber, 10, 4},
    {WritePlantNumber, "WritePlantNumber", fn::kPlantNumber, 14, 4},
    {TestOutput1, "TestOutput1", fn::kTestOutputs, 5, 4},
    {TestBothOutputs, "TestBothOutputs", fn::kTestOutputs, 5, 4},
    {TestOutput2, "TestOutput2", fn::kTestOutputs, 5, 4},
    {WriteCustomText1, "WriteCustomText1", fn::kCustomText1, 21, 4},
    {WriteCustomText2, "WriteCustomText2", fn::kCustomText2, 21, 4},
    {StampInstall, "StampInstall", fn::kInstallStamp, 24, 8},
    {StampUpgrade, "StampUpgrade", fn::kUpgradeStamp, 24, 8},
}};

}  // namespace

std::optional<CommandInfo> FindCommand(int code) {
    for (const CommandInfo& info : kCommands) {
        if (info.code == code) {
            return info;
        }
    }
    return std::nullopt;
}

bool IsBroadcastFunction(int function) {
    switch (function) {
        case fn::kRequestDownload:
        case fn::kBlockCount:
        case fn::kFlashBlock:
        case fn::kFinishDownload:
        case fn::kInstallStamp:
        case fn::kUpgradeStamp: return true;
        default: return false;
    }
}

}  // namespace corvane
