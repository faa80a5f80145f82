// libFuzzer target: any bytes as a state file, decoded and loaded from disk as the program
// loads it at start. What loaded saves again (for its owner alone) and loads back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/state_file.h"

namespace {

// A folder of this process's own for the file, made once.
const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("corvane-state-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    corvane::SharedRecords decoded;
    corvane::DecodeState(bytes, decoded);

    corvane::StateFile file(Folder() / corvane::StateFile::kFileName);
    {
        std::ofstream out(file.Path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    corvane::SharedRecords loaded;
    if (!file.Load(loaded)) std::abort();  // a plain file of any content is read
    if (corvane::EncodeState(loaded) != corvane::EncodeState(decoded)) std::abort();

    std::string error;
    if (!file.SaveTo(loaded, error)) std::abort();
#ifndef _WIN32
    // For its owner alone (Windows keeps that in the profile folder's access list instead).
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::perms mode = fs::status(file.Path(), ec).permissions();
    if (ec || (mode & (fs::perms::group_all | fs::perms::others_all)) != fs::perms::none) {
        std::abort();
    }
#endif
    corvane::SharedRecords again;
    if (!file.Load(again) || corvane::EncodeState(again) != corvane::EncodeState(loaded)) {
        std::abort();
    }
    return 0;
}
