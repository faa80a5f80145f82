#include "platform/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace corvane::platform {

OpenedFile OpenPlainFile(const std::filesystem::path& path) {
    OpenedFile result;
#ifdef _WIN32
    // Opening a file waits for nothing here; a folder cannot be opened as a file at all.
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) {
        const int openError = errno;
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            result.kind = FileKind::Folder;
        } else {
            result.error = openError;
        }
        return result;
    }
    struct _stat64 info {};
    if (_fstat64(_fileno(file), &info) != 0) {
        result.error = errno;
        std::fclose(file);
        return result;
    }
    const auto type = info.st_mode & _S_IFMT;
    result.kind = type == _S_IFREG   ? FileKind::Plain
                  : type == _S_IFDIR ? FileKind::Folder
                                     : FileKind::Other;
    if (result.kind != FileKind::Plain) {
        std::fclose(file);
        return result;
    }
#else
    // Opened without waiting, so that a pipe with no writer cannot hold the caller, and then
    // checked to be a plain file before a byte is read.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == EISDIR) {
            result.kind = FileKind::Folder;
        } else {
            result.error = errno;
        }
        return result;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        result.error = errno;
        close(fd);
        return result;
    }
    result.kind = S_ISREG(info.st_mode)   ? FileKind::Plain
                  : S_ISDIR(info.st_mode) ? FileKind::Folder
                                          : FileKind::Other;
    if (result.kind != FileKind::Plain) {
        close(fd);
        return result;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        result.error = errno;
        close(fd);
        return result;
    }
#endif
    result.file.reset(file);
    result.size = static_cast<std::uintmax_t>(info.st_size);
    return result;
}

}  // namespace corvane::platform
