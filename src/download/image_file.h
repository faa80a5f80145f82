#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

// Why an image file could not be read, by the cause codes the operator's messages are keyed on
// (1..14); 0 = read.
enum class FileCause : int {
    None = 0,
    Generic = 1,
    NotFound = 2,
    BadPath = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidFile = 6,
    RemoveCurrentDir = 7,
    DirectoryFull = 8,
    BadSeek = 9,
    HardwareIo = 10,
    SharingViolation = 11,
    LockViolation = 12,
    DiskFull = 13,
    EndOfFile = 14,
};

// The operator's text for a cause: "File Not Found" and so on; empty for None.
const char* FileCauseText(FileCause cause);

// The cause that an operating-system error number stands for.
FileCause CauseOfError(int errorNumber);

// An image file as read from disk. The contract: `length` is the file's size in bytes; `bytes`
// holds the whole file when it is no longer than the limit asked for, and nothing when it is
// longer (the caller refuses it by its length without reading it); `cause` is not None when the
// file could not be opened, measured or read, and then nothing else is set.
struct ImageFile {
    FileCause cause = FileCause::None;
    std::uintmax_t length = 0;
    std::vector<std::uint8_t> bytes;
};

ImageFile ReadImageFile(const std::string& path, std::uintmax_t limit);

}  // namespace corvane
