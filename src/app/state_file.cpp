#include "app/state_file.h"

#include <cstdio>
#include <limits>

#include "framework/atomic_file.h"
#include "framework/field_archive.h"
#include "link/stored_setup_records.h"

namespace corvane {
namespace {

// The 72 values in file order. `Records` is SharedRecords or const SharedRecords; the archive
// either reads the fields or writes them.
template <typename Archive, typename Records>
void ExchangeState(Archive& ar, Records& r) {
    auto& s = r.Sensor;
    ar.Int(s.DeviceId);
    ar.Int(s.NewDeviceId);
    stored::LineIndexes(ar, s);
    ar.Int(s.PortIndex);
    stored::SetupAndChannels(ar, s);
    ar.Text(r.ConfigurePassword);
    ar.Text(r.CalibratePassword);
    ar.Text(r.InstallPassword);
    stored::CustomRange(ar, s);
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
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool missing = false;
    if (!fw::ReadWholeFile(path_, bytes, error, kLargestFile, &missing)) {
        // Anything but a plain file of a sensible size is left alone: the program starts on
        // its defaults and says why.
        if (!missing) {
            std::fprintf(stderr,
                         "Corvane Control Centre: the saved settings were not loaded, the "
                         "program starts on its defaults: %s\n",
                         error.c_str());
        }
        return false;
    }
    DecodeState(bytes, records);
    // Values are taken as stored; only the arithmetic on them is kept defined.
    const int index = records.Sensor.PortIndex;
    records.Sensor.PortNumber = index < std::numeric_limits<int>::max() ? index + 1 : index;
    ReopenPortAtNextRequest(records);
    return true;
}

bool StateFile::SaveTo(const SharedRecords& records, std::string& error) {
    // It holds the user passwords: for its owner's eyes only.
    return fw::WriteFileAtomically(path_, EncodeState(records), error, fw::FileAccess::Private);
}

void StateFile::Save(const SharedRecords& records) {
    std::string error;
    if (!SaveTo(records, error)) {
        std::fprintf(stderr, "Corvane Control Centre: the settings were not saved: %s\n",
                     error.c_str());
    }
}

}  // namespace corvane
