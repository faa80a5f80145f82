#pragma once

// The runs of sensor-data records that the application state file and the configuration files
// both hold, in the order both hold them. Each is a template over the file's archive (which
// reads or writes the fields) and over SensorData or const SensorData, so that one list serves
// reading and writing; each file puts its own records around them.
namespace corvane::stored {

// The serial line's list indexes: baud rate, data bits, flow control, parity, stop bits.
template <typename Archive, typename Sensor>
void LineIndexes(Archive& ar, Sensor& s) {
    ar.Int(s.BaudIndex);
    ar.Int(s.DataBitsIndex);
    ar.Int(s.FlowIndex);
    ar.Int(s.ParityIndex);
    ar.Int(s.StopBitsIndex);
}

// The temperature setup, both current outputs, the digital output and the channel addresses.
template <typename Archive, typename Sensor>
void SetupAndChannels(Archive& ar, Sensor& s) {
    ar.Real(s.TempCompSlope);
    ar.Text(s.TempSlopeUnit);
    ar.Text(s.TempUnitName);
    ar.Int(s.TempFahrenheit);
    ar.Text(s.TempCompBaseText);
    ar.Int(s.TempCompBaseHigh);
    ar.Text(s.TempUnit);
    for (auto* out : {&s.Out1, &s.Out2}) {
        ar.Int(out->ErrorSignal);
        ar.Int(out->ErrorHigh);
        ar.Int(out->FilterOn);
        ar.Text(out->FilterName);
        ar.Real(out->At4mA);
        ar.Real(out->At20mA);
        ar.Text(out->SourceName);
        ar.Int(out->Source);
        ar.Text(out->Unit);
        ar.Int(out->Filter);
    }
    ar.Int(s.CondFilterOn);
    ar.Int(s.ConcFilterOn);
    ar.Int(s.TempFilterOn);
    ar.Text(s.DigitalFilterName);
    ar.Text(s.DigitalRangeName);
    ar.Int(s.DigitalRange);
    ar.Text(s.DigitalUnit);
    ar.Real(s.TdsFactor);
    ar.Int(s.DigitalFilter);
    for (auto& id : s.ChannelId) ar.Int(id);
}

// The custom range: nine conductivities, nine concentrations, the points in use, the text.
template <typename Archive, typename Sensor>
void CustomRange(Archive& ar, Sensor& s) {
    for (auto& cond : s.CustomCond) ar.Real(cond);
    for (auto& conc : s.CustomConc) ar.Real(conc);
    ar.Int(s.CustomRangePoints);
    ar.Text(s.CustomRangeText);
}

}  // namespace corvane::stored
