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

}  // namespace corvane::platform
