#include "setup/config_file.h"

#include "framework/atomic_file.h"
#include "framework/field_archive.h"
#include "link/shared_records.h"
#include "link/stored_setup_records.h"

namespace corvane {
namespace {

// The 70 records in file order, for writing and for reading alike. `Sensor` and `Name` are
// const when writing.
template <typename Archive, typename Sensor, typename Name>
void ExchangeConfig(Archive& ar, Sensor& s, Name& operatorName) {
    stored::LineIndexes(ar, s);
    ar.Int(s.PortNumber);
    stored::SetupAndChannels(ar, s);
    ar.Text(operatorName);
    ar.Int(s.PortIndex);
    ar.Text(s.TempUnit);  // written a second time; the second copy is the one a load keeps
    stored::CustomRange(ar, s);
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

bool DecodeConfig(std::span<const std::uint8_t> bytes, SharedRecords& records, int* recordsRead,
                  std::string* fileOperator) {
    // Read into copies, so that a file that ends early leaves the setup as it was: a half-loaded
    // setup must never be written to a sensor.
    SensorData sensor = records.Sensor;
    std::string savedBy;
    fw::FieldReader reader(bytes, fw::WideTexts::Convert);
    ExchangeConfig(reader, sensor, savedBy);
    if (recordsRead != nullptr) *recordsRead = reader.RecordsRead();
    if (!reader.Complete()) return false;
    records.Sensor = std::move(sensor);
    // The file's setup is no sensor's read setup; whoever saved it is not the one working now.
    ForgetSetupSource(records);
    if (fileOperator != nullptr) *fileOperator = std::move(savedBy);
    return true;
}

bool SaveConfigFile(const std::filesystem::path& path, const SharedRecords& records,
                    std::string& error) {
    return fw::WriteFileAtomically(path, EncodeConfig(records), error);
}

LoadOutcome LoadConfigFile(const std::filesystem::path& path, SharedRecords& records,
                           std::string& error, int* recordsRead, std::string* fileOperator) {
    std::vector<std::uint8_t> bytes;
    if (!fw::ReadWholeFile(path, bytes, error, config_file::kLargestFile)) {
        return LoadOutcome::Unreadable;
    }
    if (!DecodeConfig(bytes, records, recordsRead, fileOperator)) {
        error = config_file::kEndedEarly;
        return LoadOutcome::Damaged;
    }
    return LoadOutcome::Loaded;
}

}  // namespace corvane
