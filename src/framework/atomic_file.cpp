#include "framework/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace corvane::fw {
namespace {

namespace fs = std::filesystem;

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// Pushes the file's bytes from the system's cache to the disk, so that the rename that follows
// never publishes a file whose content a power cut could still lose.
bool FlushToDisk(std::FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// A new temporary file beside `path`, created exclusively so that no file of the operator's is
// ever overwritten by it.
std::FILE* CreateTemporary(const fs::path& path, fs::path& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path;
        temporary += attempt == 0 ? ".tmp" : "." + std::to_string(attempt) + ".tmp";
        if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) return file;
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

}  // namespace

bool WriteFileAtomically(const fs::path& requested, std::span<const std::uint8_t> bytes,
                         std::string& error) {
    std::error_code ec;
    // A link is followed, so the file it names is replaced and the link stays a link.
    const fs::path path = fs::is_symlink(requested, ec) ? fs::canonical(requested, ec) : requested;
    const fs::file_status old = fs::status(path, ec);
    const bool replacing = fs::exists(old);
    constexpr auto kWritable =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (replacing && !fs::is_regular_file(old)) {
        // A pipe, a device or a folder: replacing it with a file would take it away.
        error = "Cannot replace " + requested.string() +
                ": it is not a file (a device, a pipe or a folder)";
        return false;
    }
    if (replacing && (old.permissions() & kWritable) == fs::perms::none) {
        error = "Cannot replace " + requested.string() + ": the file is read-only";
        return false;
    }
    fs::path temporary;
    std::FILE* file = CreateTemporary(path, temporary);
    if (file == nullptr) {
        error = "Cannot create " + requested.string() + ": " + Reason(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && FlushToDisk(file);
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        error = "Cannot write " + requested.string() + ": " +
                Reason(!written ? writeError : closeError);
        fs::remove(temporary, ec);
        return false;
    }
    if (replacing) fs::permissions(temporary, old.permissions(), ec);  // keep who may read it
    std::error_code renamed;
    fs::rename(temporary, path, renamed);
    if (renamed) {
        error = "Cannot replace " + requested.string() + ": " + renamed.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   std::size_t largest) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
        error = "Cannot open " + path.string() + ": " + Reason(errno);
        return false;
    }
    bytes.clear();
    std::uint8_t buffer[4096];
    std::size_t got = 0;
    bool tooLarge = false;
    while (!tooLarge && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        tooLarge = bytes.size() > largest;
    }
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (tooLarge) {
        error = "Cannot read " + path.string() + ": the file is larger than " +
                std::to_string(largest) + " bytes";
        bytes.clear();
        return false;
    }
    if (failed) {
        error = "Cannot read " + path.string() + ": " + Reason(readError);
        return false;
    }
    return true;
}

}  // namespace corvane::fw
