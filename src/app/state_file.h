#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/control_centre_dlg.h"

namespace corvane {

// The application state file "Vexor.qzt": serial settings, sensor address, the last known
// sensor setup, the channel addresses and the user passwords, as 72 untagged values.
class StateFile : public StateStore {
  public:
    static constexpr const char* kFileName = "Vexor.qzt";
    // Far more than the file ever holds; a larger one is not read.
    static constexpr std::size_t kLargestFile = 1024 * 1024;

    // `path` is resolved against the working directory at each access.
    explicit StateFile(std::filesystem::path path = kFileName) : path_(std::move(path)) {}

    // Reads the values in order into the records; a missing file changes nothing, a short or
    // damaged one stops at the first value it cannot read and leaves the rest as they were.
    // Anything but a plain file no larger than kLargestFile (a folder, a pipe, a device) is not
    // read and changes nothing; standard error says why. Whenever the file could be read the
    // port is marked for reopening with the loaded settings.
    bool Load(SharedRecords& records) override;
    // Writes all values to a temporary file beside the state file and renames it over the
    // state file, so a crash never leaves a torn file. The file holds the passwords, so only
    // its owner may read or write it (0600, or stricter when it already was). Failures go to
    // standard error: the program is ending and has no window left to report them in.
    void Save(const SharedRecords& records) override;
    bool SaveTo(const SharedRecords& records, std::string& error);

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// The file's bytes for `records`, and the reading of such bytes into `records` (true when all
// 72 values were read).
std::vector<std::uint8_t> EncodeState(const SharedRecords& records);
bool DecodeState(const std::vector<std::uint8_t>& bytes, SharedRecords& records);

}  // namespace corvane
