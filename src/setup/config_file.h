#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "framework/host.h"

namespace corvane {

struct SharedRecords;

// A configuration file keeps a whole sensor setup: the temperature setup, both current outputs,
// the digital output and the custom range, with the communication settings, the five channel
// addresses and the operator name. It is 70 untagged records (32-bit integers, doubles and texts
// of the framework's archive), with nothing around them.
//
// Contract:
// - Saving writes every record from the records as they are and replaces the file in one step:
//   a reader sees the old file or the new one, never a part.
// - Loading is all or nothing: the records change only when all 70 were read. Values are taken
//   as stored (no range checks); bytes after the last record are ignored.
namespace config_file {

inline constexpr int kRecordCount = 70;
inline constexpr const char* kExtension = "QCF";
inline constexpr const char* kInitialName = "*.QCF";
inline constexpr const char* kFilter = "Config Files (*.QCF)|*.QCF|All Files (*.*)|*.*||";
// Far more than any setup file holds; a larger file chosen under "All Files" is not read.
inline constexpr std::size_t kLargestFile = 16 * 1024 * 1024;

// The framework's archive error for a file that ends before its last record.
inline constexpr const char* kEndedEarly =
    "An attempt was made to access an unnamed file past its end.";

// The file dialogs of "&Open Setup File" and "&Save Setup File".
fw::FileDialogRequest OpenRequest();
fw::FileDialogRequest SaveRequest();

}  // namespace config_file

// The file's bytes for `records`.
std::vector<std::uint8_t> EncodeConfig(const SharedRecords& records);

// Reads the 70 records into `records`; false, with `records` untouched, when the bytes end
// before the last record (or a text's length runs past the end). `recordsRead`, when given,
// receives how many records were read whole (the first one missing is the next). The operator
// logged in stays the operator: the name the file was saved under goes to `fileOperator`, when
// given. The setup loaded counts as not read from any sensor.
bool DecodeConfig(std::span<const std::uint8_t> bytes, SharedRecords& records,
                  int* recordsRead = nullptr, std::string* fileOperator = nullptr);

// Saves `records` to `path`; false with the reason in `error` (naming the file).
bool SaveConfigFile(const std::filesystem::path& path, const SharedRecords& records,
                    std::string& error);

// How a load ended. Unless Loaded, `records` are untouched and `error` says why.
enum class LoadOutcome {
    Loaded,
    Unreadable,  // the file could not be opened or read (or is far too large for a setup)
    Damaged,     // it ends before its last record: config_file::kEndedEarly
};

// Loads `path` into `records`; `recordsRead` and `fileOperator` as for DecodeConfig.
LoadOutcome LoadConfigFile(const std::filesystem::path& path, SharedRecords& records,
                           std::string& error, int* recordsRead = nullptr,
                           std::string* fileOperator = nullptr);

}  // namespace corvane
