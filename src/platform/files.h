#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace corvane::platform {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// What a path names, as far as a reader of files cares.
enum class FileKind {
    Plain,   // a regular file
    Folder,  // a directory
    Other,   // a device (a serial port, NUL, CON, /dev/zero), a named pipe, a socket
};

// The outcome of OpenPlainFile. The contract: `file` is set only for a plain file, opened for
// reading in binary mode, and then `size` is its size when it was opened; `error` is the errno
// value when nothing could be opened or examined at `path` (ENOENT: there is nothing there), and
// then `kind` means nothing; otherwise `error` is 0 and `kind` says what is there.
struct OpenedFile {
    FileHandle file;
    FileKind kind = FileKind::Other;
    std::uintmax_t size = 0;
    int error = 0;
};

// Opens the file at `path` for reading only when it is a plain file, and never waits doing so:
// a folder, a device, a named pipe or a socket is closed again before a byte could be read, so a
// pipe with no writer or a console cannot hold the caller.
OpenedFile OpenPlainFile(const std::filesystem::path& path);

// Creates a new file at `path` and opens it for writing in binary mode, only if nothing is there
// yet: a file, a folder or a link already there (a link is not followed) fails with errno
// EEXIST, so nothing of the operator's is ever overwritten. On POSIX systems the new file gets
// `mode` less the umask; on Windows it takes its folder's access list. Null, with errno, on
// failure.
FileHandle CreateNewFile(const std::filesystem::path& path, unsigned mode);

// Pushes what was written to `file` from the system's cache to the disk (after fflush); false
// when the system could not.
bool FlushToDisk(std::FILE* file);

// Whether the symbolic link at `link` may be followed: not when it lies in a sticky folder that
// every user may write to (as /tmp) and belongs to another user than the caller, root or the
// folder's owner, for whoever planted it there could aim it at any file of the caller's. Always
// on Windows, where such folders are not shared that way.
bool LinkMayBeFollowed(const std::filesystem::path& link);

}  // namespace corvane::platform
