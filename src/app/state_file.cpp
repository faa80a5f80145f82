#include "app/state_file.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>

#include "framework/atomic_file.h"
#include "framework/field_archive.h"

namespace corvane {
namespace {

// The 72 values in file order. `Records` is SharedRecords or const SharedRecords; the archive
// either reads the fields or writes them.
template <typename Archive, typename Records>
void ExchangeState(Archive& ar, Records& r) {
    auto& s = r.Sensor;
    ar.Int(s.DeviceId);
    ar.Int(s.NewDeviceId);
    ar.Int(s.BaudIndex);
    ar.Int(s.DataBitsIndex);
    ar.Int(s.FlowIndex);
    ar.Int(s.ParityIndex);
    ar.Int(s.StopBitsIndex);
    ar.Int(s.PortIndex);
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
    ar.Text(r.ConfigurePassword);
    ar.Text(r.CalibratePassword);
    ar.Text(r.InstallPassword);
    for (auto& cond : s.CustomCond) ar.Real(cond);
    for (auto& conc : s.CustomConc) ar.Real(conc);
    ar.Int(s.CustomRangePoints);
    ar.Text(s.CustomRangeText);
}

}  // namespace

std::vector<std::uint8_t> EncodeState(const SharedRecords& records) {
    fw::FieldWriter writer;
    ExchangeState(writer, records);
    return writer.Bytes();
}

bool DecodeState(const std::vector<std::uint8_t>& bytes, SharedRecords& records) {
    fw::FieldReader reader(bytes);
    ExchangeState(reader, records);
    return reader.Complete();
}

bool StateFile::Load(SharedRecords& records) {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    DecodeState(bytes, records);
    // Values are taken as stored; only the arithmetic on them is kept defined.
    const int index = records.Sensor.PortIndex;
    records.Sensor.PortNumber = index < std::numeric_limits<int>::max() ? index + 1 : index;
    records.Engine.ReopenPort = true;
    records.Engine.TransmitInhibit = false;
    return true;
}

bool StateFile::SaveTo(const SharedRecords& records, std::string& error) {
    return fw::WriteFileAtomically(path_, EncodeState(records), error);
}

void StateFile::Save(const SharedRecords& records) {
    std::string error;
    if (!SaveTo(records, error)) {
        std::fprintf(stderr, "Corvane Control Centre: the settings were not saved: %s\n",
                     error.c_str());
    }
}

}  // namespace corvane
