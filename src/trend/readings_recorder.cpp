#include "trend/readings_recorder.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace corvane {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// Larger than any row, so that each row leaves the buffer in one write when it is flushed.
constexpr std::size_t kBufferBytes = 16 * 1024;

}  // namespace

bool ReadingsRecorder::Start(const std::string& path, std::string& error) {
    Stop();
    const fs::path file = PathOf(path);
    errno = 0;
    file_ = std::fopen(file.string().c_str(), "wb");
    if (file_ == nullptr) {
        error = "Cannot create " + path + ": " + Reason(errno != 0 ? errno : EIO);
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, kBufferBytes);
    path_ = path;
    rows_ = 0;
    bytes_ = 0;
    return WriteWhole(std::string(kReadingsCsvHeader) + '\n', error);
}

bool ReadingsRecorder::Append(const ReadingRow& row, std::string& error) {
    if (file_ == nullptr) {
        error = "No recording is running";
        return false;
    }
    if (!WriteWhole(ReadingsCsvLine(row) + '\n', error)) return false;
    ++rows_;
    return true;
}

bool ReadingsRecorder::WriteWhole(const std::string& line, std::string& error) {
    errno = 0;
    const bool written =
        std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
    if (!written) {
        error = "Cannot write " + path_ + ": " + Reason(errno != 0 ? errno : EIO);
        Fail();
        return false;
    }
    bytes_ += line.size();
    return true;
}

// The write failed part-way, perhaps with part of a row on the disk: the file is closed and cut
// back to its last whole row. (Where that is impossible, as on a device, it stays as it is.)
void ReadingsRecorder::Fail() {
    std::fclose(file_);
    file_ = nullptr;
    std::error_code ignored;
    const fs::path file = PathOf(path_);
    if (fs::is_regular_file(file, ignored) && fs::file_size(file, ignored) > bytes_) {
        fs::resize_file(file, bytes_, ignored);
    }
}

void ReadingsRecorder::Stop() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace corvane
