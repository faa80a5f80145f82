#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace corvane::fw {

// Who may read a file that is written.
enum class FileAccess {
    Shared,   // a new file gets the usual permissions (the umask decides); a replaced one keeps its
    Private,  // owner only (0600): a replaced file keeps no more than its owner's read and write
};

// Replaces the file at `path` with `bytes` so that a reader, a crash, a power cut or a full disk
// never sees a torn file: the bytes go to a new temporary file beside it, which is flushed to
// the disk and then renamed over the old one. The old file's permissions are kept (within
// `access`), a link is followed (a dangling one to the file it names), and a read-only file is
// not replaced. A link that another user left in a sticky folder that others may write to (a
// shared temporary folder) is not followed, as the system refuses to open one: it could make
// the program replace a file of the caller's that the link's owner chose. On failure the old
// file is untouched, the temporary file is removed, and `error` names the file and gives the
// system's reason.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string& error, FileAccess access = FileAccess::Shared);

// The whole content of the file at `path`; false with the system's reason in `error` when it
// cannot be opened or read, is no regular file (a folder, a pipe or a device: refused before
// anything could wait on it), or holds more than `largest` bytes. `missing`, when given, is set
// when there is no file at `path`.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::string& error, std::size_t largest = SIZE_MAX, bool* missing = nullptr);

}  // namespace corvane::fw
