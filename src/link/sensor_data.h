#pragma once

#include <array>
#include <string>

#include "link/link_states.h"

namespace corvane {

struct SharedRecords;

// One current output's setup (both outputs have the same fields).
struct CurrentOutput {
    int Source = 1;          // index in the output source list
    std::string SourceName;  // that entry's list text
    std::string Unit;        // unit beside the 4 mA and 20 mA values
    double At4mA = 0.0;      // measurement value giving 4 mA
    double At20mA = 1000.0;  // measurement value giving 20 mA
    int FilterOn = 0;        // "Enable Current Output Filter"
    int Filter = 0;          // averaging entry index 0..8
    std::string FilterName;  // averaging entry text
    int ErrorSignal = 0;     // "Enable Error Signalling"
    int ErrorHigh = 0;       // 0 = 2 mA, 1 = 22 mA, -1 = not set
};

inline CurrentOutput DefaultOutput(int source, const char* sourceName, const char* unit,
                                   double at20mA) {
    CurrentOutput out;
    out.Source = source;
    out.SourceName = sourceName;
    out.Unit = unit;
    out.At20mA = at20mA;
    return out;
}

inline constexpr int kCustomRangePointCount = 9;
inline constexpr int kChannelCount = 5;

// What the identity texts hold until a sensor's setup has been read: shown, never sent.
inline constexpr const char* kSerialNumberNotRead = "Serial Number";
inline constexpr const char* kPlantNumberNotRead = "Plant Number";

// Everything the program knows about the sensor it talks to. Texts are UTF-8. The defaults
// here are the values a fresh start shows before the state file is read.
struct SensorData {
    // Identity and history, filled by the data-block upload.
    std::string SerialNumber = kSerialNumberNotRead;
    std::string PlantNumber = kPlantNumberNotRead;
    std::string InstallIssue = "Unknown Issue Number";
    std::string InstallDate = "Unknown Install Date";
    std::string InstallName = "Unknown Install Name";
    std::string UpgradeIssue = "Unknown Issue Number";
    std::string UpgradeDate = "Unknown Upgrade Date";
    std::string UpgradeName = "Unknown Upgrade Name";
    std::string CalibrationDate = "Unknown Calibration Date";
    std::string CalibrationName = "Unknown Calibration Name";
    std::string CalibrationDetails = "Unknown Calibration Details";
    std::string CustomRangeText = "Default Corvane CC Range Text";
    std::string HexFileName = "No File Selected";

    // Temperature setup. The four texts follow the two flags.
    double TempCompSlope = 2.00;  // percent per degree
    int TempFahrenheit = 0;
    int TempCompBaseHigh = 1;  // 1 = base 25 °C / 77 °F, 0 = 20 °C / 68 °F
    std::string TempUnit = "°C";
    std::string TempSlopeUnit = "% / °C";
    std::string TempUnitName = "Degrees Centigrade";
    std::string TempCompBaseText = "Temp.Comp.Base 25°C";

    // Current outputs.
    CurrentOutput Out1 = DefaultOutput(1, "Conductivity with T.C. (mS/cm)", "mS/cm", 1000.0);
    CurrentOutput Out2 = DefaultOutput(2, "Temperature", "°C", 100.0);

    // Digital output.
    int DigitalRange = 0;
    std::string DigitalRangeName = "Concentration Not Used";
    std::string DigitalUnit;
    int CondFilterOn = 0;
    int ConcFilterOn = 0;
    int TempFilterOn = 0;
    int DigitalFilter = 0;
    std::string DigitalFilterName;
    double TdsFactor = 0.68;

    // Custom concentration range; point n is at index n - 1.
    int CustomRangePoints = kCustomRangePointCount;
    std::array<double, kCustomRangePointCount> CustomConc = {11.1, 22.2, 33.3, 44.4, 55.5,
                                                             66.6, 77.7, 88.8, 99.9};
    std::array<double, kCustomRangePointCount> CustomCond = {111, 222, 333, 444, 555,
                                                             666, 777, 888, 999};

    // Live readings from the poll reply.
    double CondRaw = 0.0;        // mS/cm, no temperature compensation
    double CondComp = 0.0;       // mS/cm, with temperature compensation
    double Temperature = 0.0;    // in TempUnit
    double Concentration = 0.0;  // in DigitalUnit
    double Out1Current = 0.0;    // mA
    double Out2Current = 0.0;    // mA

    // Addressing and port settings.
    int DeviceId = 0;
    int NewDeviceId = 0;
    int LastDeviceId = 0;
    int PortIndex = 0;
    int PortNumber = 1;
    int BaudRate = 9600;
    char Parity = 'N';
    int DataBits = 8;
    int StopBits = 1;
    char FlowControl = 'N';
    int BaudIndex = 2;
    int DataBitsIndex = 1;
    int ParityIndex = 2;
    int StopBitsIndex = 0;
    int FlowIndex = 2;

    // Channels; channel n is at index n - 1.
    std::array<int, kChannelCount> ChannelId = {1, 2, 3, 4, 5};
    std::array<int, kChannelCount> ChannelOn = {};  // switched on by the operator; not stored
    int ChannelSelected = 0;
    corvane::ChannelSwitch ChannelSwitch = corvane::ChannelSwitch::Idle;
};

// Whether the sensor's serial number has been read (it is neither the placeholder nor empty).
inline bool SerialNumberRead(const SensorData& sensor) {
    return !sensor.SerialNumber.empty() && sensor.SerialNumber != kSerialNumberNotRead;
}

// Puts every SensorData field back to its default and starts the link afresh (request state
// cleared, scan idle, port to be reopened, transmission allowed).
void ResetSensorData(SharedRecords& records);

// The port is opened again, with the settings the records hold, at the next request (the
// settings came from the state file); transmission is allowed again.
void ReopenPortAtNextRequest(SharedRecords& records);

// The setup the records hold no longer comes from a sensor (a configuration file was loaded).
void ForgetSetupSource(SharedRecords& records);

// Puts the identity and history texts back to their defaults and asks every page to re-read its
// controls.
void ResetIdentity(SharedRecords& records);

// Zeroes the six live readings and clears status lines 05, 06 and 11 to 80.
void ClearReadings(SharedRecords& records);

// Sets the four temperature texts from TempFahrenheit and TempCompBaseHigh.
void SetTemperatureTexts(SensorData& sensor);

}  // namespace corvane
