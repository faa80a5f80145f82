#include "framework/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace corvane::fw {
namespace {

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         std::string& error) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
    if (file == nullptr) {
        error = "Cannot create " + path.string() + ": " + Reason(errno);
        return false;
    }
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    std::error_code ignored;
    if (!written || !closed) {
        error = "Cannot write " + path.string() + ": " + Reason(!written ? writeError : closeError);
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, path, renamed);
    if (renamed) {
        error = "Cannot replace " + path.string() + ": " + renamed.message();
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                   std::string& error) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        error = "Cannot open " + path.string() + ": " + Reason(errno);
        return false;
    }
    bytes.clear();
    std::uint8_t buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        error = "Cannot read " + path.string() + ": " + Reason(readError);
        return false;
    }
    return true;
}

}  // namespace corvane::fw
