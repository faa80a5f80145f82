#include "link/sensor_data.h"

#include "link/link_machine_access.h"
#include "link/shared_records.h"

namespace corvane {

void ResetSensorData(SharedRecords& records) {
    records.Sensor = SensorData{};
    Machine(records).Link.TickCount = 0;
    Machine(records).Link.RxCount = 0;
    Machine(records).ScanState = ScanState::Idle;
    Machine(records).Engine.ReopenPort = true;
    Machine(records).Engine.TransmitInhibit = false;
}

void ReopenPortAtNextRequest(SharedRecords& records) {
    Machine(records).Engine.ReopenPort = true;
    Machine(records).Engine.TransmitInhibit = false;
}

void ForgetSetupSource(SharedRecords& records) {
    Machine(records).SetupReadFromSerial.clear();
}

void ResetIdentity(SharedRecords& records) {
    const SensorData defaults;
    SensorData& s = records.Sensor;
    s.CalibrationDetails = defaults.CalibrationDetails;
    s.CalibrationDate = defaults.CalibrationDate;
    s.CalibrationName = defaults.CalibrationName;
    s.InstallDate = defaults.InstallDate;
    s.InstallIssue = defaults.InstallIssue;
    s.InstallName = defaults.InstallName;
    s.UpgradeDate = defaults.UpgradeDate;
    s.UpgradeIssue = defaults.UpgradeIssue;
    s.UpgradeName = defaults.UpgradeName;
    s.PlantNumber = defaults.PlantNumber;
    s.SerialNumber = defaults.SerialNumber;
    records.PageRefresh = PageRefresh::Requested;
}

bool SetupReadFromConnectedSensor(const SharedRecords& records) {
    const std::string& serial = records.Sensor.SerialNumber;
    // The address too: the Channels page reads each channel's sensor, and hands the line back
    // to the sensor in use without its identity being read again.
    return !records.SetupReadFromSerial().empty() && serial != kSerialNumberNotRead &&
           serial == records.SetupReadFromSerial() &&
           records.Sensor.DeviceId == records.SetupReadFromAddress();
}

void ClearReadings(SharedRecords& records) {
    SensorData& s = records.Sensor;
    s.CondRaw = 0.0;
    s.CondComp = 0.0;
    s.Temperature = 0.0;
    s.Concentration = 0.0;
    s.Out1Current = 0.0;
    s.Out2Current = 0.0;
    records.Slots.Clear(line::kTransmitError);
    records.Slots.Clear(line::kReceiveError);
    records.Slots.Clear(line::kDeviceLines);
}

void SetTemperatureTexts(SensorData& sensor) {
    if (sensor.TempFahrenheit != 0) {
        sensor.TempSlopeUnit = "% / °F";
        sensor.TempUnit = "°F";
        sensor.TempUnitName = "Degrees Fahrenheit";
        sensor.TempCompBaseText =
            sensor.TempCompBaseHigh != 0 ? "Temp.Comp.Base 77 °F" : "Temp.Comp.Base 68 °F";
    } else {
        sensor.TempSlopeUnit = "% / °C";
        sensor.TempUnit = "°C";
        sensor.TempUnitName = "Degrees Centigrade";
        sensor.TempCompBaseText =
            sensor.TempCompBaseHigh != 0 ? "Temp.Comp.Base 25 °C" : "Temp.Comp.Base 20 °C";
    }
}

}  // namespace corvane
