#include "download/image_file.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/files.h"

namespace corvane {
namespace {

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
    const platform::OpenedFile opened = platform::OpenPlainFile(path);
    if (opened.error != 0) return Failed(CauseOfError(opened.error));
    if (!opened.file) return Failed(FileCause::InvalidFile);
    std::FILE* const file = opened.file.get();

    // Measured by the system when it was opened, not with ftell, whose long is 32 bits on
    // Windows: a file of 2 GiB or more is still refused by its length.
    ImageFile result;
    result.length = opened.size;
    if (result.length > limit) return result;
    result.bytes.resize(static_cast<std::size_t>(result.length));
    const std::size_t read = std::fread(result.bytes.data(), 1, result.bytes.size(), file);
    if (read != result.bytes.size()) {
        return Failed(std::ferror(file) != 0 ? FileCause::HardwareIo : FileCause::EndOfFile);
    }
    // A file that grew after it was measured is read only up to its measured length; the extra
    // is seen as a longer file by the next read.
    return result;
}

}  // namespace corvane
