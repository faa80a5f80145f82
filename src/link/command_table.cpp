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

using K = FunctionKind;
constexpr std::array<FunctionInfo, 29> kFunctions = {{
    {fn::kProbe, K::Probe, 4, false, "the address probe", ""},
    {fn::kDefaultSetup, K::DefaultSetup, 5, true, "the default setup load", ""},
    {fn::kPoll, K::Poll, 4, false, "the measurement poll", ""},
    {fn::kTestOutputs, K::OutputsForced, 5, false, "the current output test", ""},
    {fn::kTempSetup, K::SetupPart, 7, false, "the temperature setup write", "temperature setup"},
    {fn::kOutput1Setup, K::SetupPart, 12, false, "the current output 1 setup write",
     "current output 1"},
    {fn::kOutput2Setup, K::SetupPart, 12, false, "the current output 2 setup write",
     "current output 2"},
    {fn::kDigitalSetup, K::SetupPart, 15, false, "the digital output setup write",
     "digital output"},
    {fn::kCustomConc, K::SetupPart, 22, false, "the custom range concentrations write",
     "custom range concentrations"},
    {fn::kCustomCond, K::SetupPart, 22, false, "the custom range conductivities write",
     "custom range conductivities"},
    {fn::kCustomText1, K::SetupPart, 21, false, "the custom range text write",
     "custom range text (1 of 2)"},
    {fn::kCustomText2, K::SetupPart, 21, false, "the custom range text write",
     "custom range text (2 of 2)"},
    {fn::kDataBlock, K::SetupRead, 5, false, "the setup data block request", ""},
    {fn::kCalibrateCond, K::Calibration, 5, true, "the conductivity calibration", ""},
    {fn::kCalibrateTemp, K::Calibration, 6, true, "the temperature calibration", ""},
    {fn::kCalibrateOutputs, K::Calibration, 8, true, "the current output calibration", ""},
    {fn::kCalibrationStamp, K::CalibrationStamp, 24, false, "the calibration stamp", ""},
    {fn::kResetCalibration, K::Calibration, 24, true, "the calibration reset", ""},
    {fn::kRequestDownload, K::DownloadRequest, 5, true, "the software download request", ""},
    {fn::kBlockCount, K::BlockCount, 6, true, "the flash block announcement", ""},
    {fn::kFlashBlock, K::FlashBlock, 7, false, "a flash block", ""},
    {fn::kFinishDownload, K::FinishDownload, 5, true, "the end of the software download", ""},
    {fn::kChangeAddress, K::AddressChange, 5, false, "the address change", ""},
    {fn::kSerialNumber, K::SerialNumber, 10, false, "the serial number write", ""},
    {fn::kPlantNumber, K::SetupPart, 14, false, "the plant number write", "plant number"},
    {fn::kInstallStamp, K::InstallStamp, 24, true, "the installation stamp", ""},
    {fn::kUpgradeStamp, K::UpgradeStamp, 24, true, "the upgrade stamp", ""},
    {fn::kSource1K0, K::Calibration, 4, true, "the 1K0 source calibration", ""},
    {fn::kSource1K5, K::Calibration, 4, true, "the 1K5 source calibration", ""},
}};

}  // namespace

const FunctionInfo* FindFunction(int function) {
    for (const FunctionInfo& info : kFunctions) {
        if (info.function == function) return &info;
    }
    return nullptr;
}

std::span<const FunctionInfo> Functions() {
    return kFunctions;
}

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
