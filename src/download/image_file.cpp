#include "download/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace corvane {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

ImageFile Failed(FileCause cause) {
    ImageFile result;
    result.cause = cause;
    return result;
}

}  // namespace

const char* FileCauseText(FileCause cause) {
    static constexpr std::array<const char*, 15> kTexts = {"",
                                                           "Generic File Error",
                                                           "File Not Found",
                                                           "Bad Path Error",
                                                           "File Handle Error",
                                                           "File Access Denied",
                                                           "Invalid File Error",
                                                           "Directory Remove Error",
                                                           "Directory Full Error",
                                                           "Bad File Seek Error",
                                                           "Hardware I/O Error",
                                                           "Sharing Violation Error",
                                                           "File Lock Error",
                                                           "Disk Full Error",
                                                           "End Of File Error"};
    const auto index = static_cast<std::size_t>(cause);
    return index < kTexts.size() ? kTexts[index] : "";
}

FileCause CauseOfError(int errorNumber) {
    switch (errorNumber) {
        case ENOENT: return FileCause::NotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return FileCause::BadPath;
        case EMFILE:
        case ENFILE: return FileCause::TooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS: return FileCause::AccessDenied;
        case EISDIR: return FileCause::InvalidFile;
        case ESPIPE: return FileCause::BadSeek;
        case EIO: return FileCause::HardwareIo;
        case EBUSY:
        case ETXTBSY: return FileCause::SharingViolation;
        case ENOLCK: return FileCause::LockViolation;
        case ENOSPC: return FileCause::DiskFull;
        default: return FileCause::Generic;
    }
}

ImageFile ReadImageFile(const std::string& path, std::uintmax_t limit) {
    // Opened without waiting, so that a pipe with no writer cannot hold the program, and read
    // only when it is a plain file: a folder, a pipe or a device is no image.
    errno = 0;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Failed(errno == EISDIR ? FileCause::InvalidFile : CauseOfError(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return Failed(FileCause::InvalidFile);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const std::unique_ptr<std::FILE, FileCloser> file(fdopen(fd, "rb"));
    if (!file) {
        const int openError = errno;
        close(fd);
        return Failed(CauseOfError(openError));
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) return Failed(FileCause::BadSeek);
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return Failed(FileCause::BadSeek);

    ImageFile result;
    result.length = static_cast<std::uintmax_t>(size);
    if (result.length > limit) return result;
    result.bytes.resize(static_cast<std::size_t>(size));
    const std::size_t read = std::fread(result.bytes.data(), 1, result.bytes.size(), file.get());
    if (read != result.bytes.size()) {
        return Failed(std::ferror(file.get()) != 0 ? FileCause::HardwareIo : FileCause::EndOfFile);
    }
    // A file that grew after it was measured is read only up to its measured length; the extra
    // is seen as a longer file by the next read.
    return result;
}

}  // namespace corvane
