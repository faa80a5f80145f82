// libFuzzer target: any bytes as a configuration file, decoded and loaded from disk. A load that
// fails must leave the records exactly as they were; what loads saves to disk and loads back the
// same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "link/shared_records.h"
#include "setup/config_file.h"

namespace {

// A folder of this process's own for the files, made once.
const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("corvane-config-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// The file on disk loads as the bytes decode, and what loaded is saved and loads back the same.
void LoadAndSaveOnDisk(const std::uint8_t* data, std::size_t size) {
    const auto path = Folder() / "fuzz.QCF";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    corvane::SharedRecords decoded;
    const bool decodes = corvane::DecodeConfig(std::span(data, size), decoded);
    corvane::SharedRecords loaded;
    std::string error;
    const corvane::LoadOutcome outcome = corvane::LoadConfigFile(path, loaded, error);
    const bool tooLarge = size > corvane::config_file::kLargestFile;
    if (tooLarge ? outcome != corvane::LoadOutcome::Unreadable
                 : (outcome == corvane::LoadOutcome::Loaded) != decodes) {
        std::abort();
    }
    if (outcome != corvane::LoadOutcome::Loaded) {
        if (error.empty()) std::abort();
        return;
    }
    if (corvane::EncodeConfig(loaded) != corvane::EncodeConfig(decoded)) std::abort();
    const auto saved = Folder() / "saved.QCF";
    corvane::SharedRecords again;
    if (!corvane::SaveConfigFile(saved, loaded, error) ||
        corvane::LoadConfigFile(saved, again, error) != corvane::LoadOutcome::Loaded ||
        corvane::EncodeConfig(again) != corvane::EncodeConfig(loaded)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadAndSaveOnDisk(data, size);
    corvane::SharedRecords records;
    const auto before = corvane::EncodeConfig(records);
    if (!corvane::DecodeConfig(std::span(data, size), records)) {
        if (corvane::EncodeConfig(records) != before) std::abort();  // a half-loaded setup
        return 0;
    }
    // What loaded saves again and loads back to the same records.
    const auto saved = corvane::EncodeConfig(records);
    corvane::SharedRecords again;
    if (!corvane::DecodeConfig(saved, again) || corvane::EncodeConfig(again) != saved) {
        std::abort();
    }
    return 0;
}
