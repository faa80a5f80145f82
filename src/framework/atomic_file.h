#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace corvane::fw {

// Replaces the file at `path` with `bytes` so that a reader, a crash or a full disk never sees a
// torn file: the bytes go to a temporary file beside it, which is flushed and then renamed over
// the old one. On failure the old file is untouched, the temporary file is removed, and `error`
// names the file and gives the system's reason.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string& error);

// The whole content of the file at `path`; false with the system's reason in `error` when it
// cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::string& error);

}  // namespace corvane::fw
