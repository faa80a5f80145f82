#include "config/config_file.h"

#include "framework/atomic_file.h"
#include "framework/field_archive.h"
#include "link/shared_records.h"

namespace corvane {
namespace {

// The 70 records in file order, for writing and for reading alike. `Sensor` and `Name` are
// const when writing.
template <typename Archive, typename Sensor, typename Name>
void ExchangeConfig(Archive& ar, Sensor& s, Name& operatorName) {
    ar.Int(s.BaudIndex);
    ar.Int(s.DataBitsIndex);
    ar.Int(s.FlowIndex);
    ar.Int(s.ParityIndex);
    ar.Int(s.StopBitsIndex);
    ar.Int(s.PortNumber);
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
    ar.Text(operatorName);
    ar.Int(s.PortIndex);
    ar.Text(s.TempUnit);  // written a second time; the second copy is the one a load keeps
    for (auto& cond : s.CustomCond) ar.Real(cond);
    for (auto& conc : s.CustomConc) ar.Real(conc);
    ar.Int(s.CustomRangePoints);
    ar.Text(s.CustomRangeText);
}

}  // namespace

namespace config_file {

fw::FileDialogRequest OpenRequest() {
    return {.save = false,
            .defaultExtension = kExtension,
            .initialName = kInitialName,
            .filter = kFilter,
            .mustExist = true};
}

fw::FileDialogRequest SaveRequest() {
    return {.save = true,
            .defaultExtension = kExtension,
            .initialName = kInitialName,
            .filter = kFilter,
            .mustExist = false};
}

}  // namespace config_file

std::vector<std::uint8_t> EncodeConfig(const SharedRecords& records) {
    fw::FieldWriter writer;
    ExchangeConfig(writer, records.Sensor, records.OperatorName);
    return writer.Bytes();
}

bool DecodeConfig(std::span<const std::uint8_t> bytes, SharedRecords& records) {
    // Read into copies, so that a file that ends early leaves the setup as it was: a half-loaded
    // setup must never be written to a sensor.
    SensorData sensor = records.Sensor;
    std::string operatorName = records.OperatorName;
    fw::FieldReader reader(bytes, fw::WideTexts::Convert);
    ExchangeConfig(reader, sensor, operatorName);
    if (!reader.Complete()) return false;
    records.Sensor = std::move(sensor);
    records.OperatorName = std::move(operatorName);
    return true;
}

bool SaveConfigFile(const std::filesystem::path& path, const SharedRecords& records,
                    std::string& error) {
    return fw::WriteFileAtomically(path, EncodeConfig(records), error);
}

LoadOutcome LoadConfigFile(const std::filesystem::path& path, SharedRecords& records,
                           std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!fw::ReadWholeFile(path, bytes, error, config_file::kLargestFile)) {
        return LoadOutcome::Unreadable;
    }
    if (!DecodeConfig(bytes, records)) {
        error = config_file::kEndedEarly;
        return LoadOutcome::Damaged;
    }
    return LoadOutcome::Loaded;
}

}  // namespace corvane
