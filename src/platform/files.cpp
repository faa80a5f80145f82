#include "platform/files.h"

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

FileHandle CreateNewFile(const std::filesystem::path& path, unsigned mode) {
#ifdef _WIN32
    // Not fopen's "x", which the system's C library (msvcrt) ignores: it would truncate a file
    // that is there.
    (void)mode;
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        static_cast<mode_t>(mode));
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
#endif
    if (file == nullptr) {
        const int openError = errno;
        close(fd);
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        errno = openError;
    }
    return FileHandle(file);
}

bool FlushToDisk(std::FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool LinkMayBeFollowed(const std::filesystem::path& link) {
#ifdef _WIN32
    (void)link;
    return true;
#else
    struct stat linkInfo {};
    struct stat folderInfo {};
    const std::filesystem::path folder =
        link.has_parent_path() ? link.parent_path() : std::filesystem::path(".");
    if (lstat(link.c_str(), &linkInfo) != 0 || stat(folder.c_str(), &folderInfo) != 0) {
        return false;
    }
    const bool shared = (folderInfo.st_mode & S_ISVTX) != 0 && (folderInfo.st_mode & S_IWOTH) != 0;
    if (!shared) return true;
    return linkInfo.st_uid == geteuid() || linkInfo.st_uid == 0 ||
           linkInfo.st_uid == folderInfo.st_uid;
#endif
}

}  // namespace corvane::platform
