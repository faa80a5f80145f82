#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace corvane::fw {

// Replaces the file at `path` with `bytes` so that a reader, a crash, a power cut or a full disk
// never sees a torn file: the bytes go to a new temporary file beside it, which is flushed to
// the disk and then renamed over the old one. The old file's permissions are kept, a link is
// followed, and a read-only file is not replaced. On failure the old file is untouched, the
// temporary file is removed, and `error` names the file and gives the system's reason.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string& error);

// The whole content of the file at `path`; false with the system's reason in `error` when it
// cannot be opened or read, or holds more than `largest` bytes.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::string& error, std::size_t largest = SIZE_MAX);

}  // namespace corvane::fw
