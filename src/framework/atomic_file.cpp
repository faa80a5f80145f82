#include "framework/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/files.h"

namespace corvane::fw {
namespace {

namespace fs = std::filesystem;

std::string Reason(int error) {
    return std::error_code(error, std::generic_category()).message();
}

// A new temporary file beside `path`, created exclusively so that no file of the operator's is
// ever overwritten by it (nor a file a planted link names), with `mode` less the umask.
std::FILE* CreateTemporary(const fs::path& path, fs::path& temporary, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path;
        temporary += attempt == 0 ? ".tmp" : "." + std::to_string(attempt) + ".tmp";
        if (std::FILE* file = platform::CreateNewFile(temporary, mode).release()) return file;
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

// The file that `requested` names, through any links, each checked as the system checks a link
// it opens; false with `error` set ("Cannot `doing` ...") when a link may not be followed or the
// links go round.
bool ResolveLinks(const fs::path& requested, fs::path& path, std::string& error,
                  const char* doing) {
    constexpr int kMostLinks = 40;  // as the system allows
    path = requested;
    for (int links = 0; links < kMostLinks; ++links) {
        std::error_code ec;
        if (!fs::is_symlink(path, ec)) return true;
        if (!platform::LinkMayBeFollowed(path)) {
            error = std::string("Cannot ") + doing + " " + requested.string() + ": " +
                    (path == requested ? std::string("it") : path.string()) +
                    " is a link another user left in a shared folder; it is not followed";
            return false;
        }
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            error = std::string("Cannot ") + doing + " " + requested.string() + ": " + ec.message();
            return false;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    error = std::string("Cannot ") + doing + " " + requested.string() + ": " + Reason(ELOOP);
    return false;
}

}  // namespace

bool WriteFileAtomically(const fs::path& requested, std::span<const std::uint8_t> bytes,
                         std::string& error, FileAccess access) {
    std::error_code ec;
    // A link is followed, so the file it names is replaced and the link stays a link.
    fs::path path;
    if (!ResolveLinks(requested, path, error, "write")) return false;
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
    std::FILE* file = CreateTemporary(path, temporary, access == FileAccess::Private ? 0600 : 0666);
    if (file == nullptr) {
        error = "Cannot create " + requested.string() +
                (path != requested ? " (the link names " + path.string() + ")" : std::string()) +
                ": " + Reason(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                         std::fflush(file) == 0 && platform::FlushToDisk(file);
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        error = "Cannot write " + requested.string() + ": " +
                Reason(!written ? writeError : closeError);
        fs::remove(temporary, ec);
        return false;
    }
    constexpr auto kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
    if (access == FileAccess::Private) {
        // Kept stricter when the old file was, never wider than the owner's.
        fs::permissions(temporary, replacing ? old.permissions() & kOwnerOnly : kOwnerOnly, ec);
    } else if (replacing) {
        fs::permissions(temporary, old.permissions(), ec);  // keep who may read it
    }
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
                   std::size_t largest, bool* missing) {
    if (missing != nullptr) *missing = false;
    // Another user's link in a shared folder is not read through either: what it names is that
    // user's choice, not the operator's.
    fs::path resolved;
    if (!ResolveLinks(path, resolved, error, "read")) return false;
    // Opened without waiting, so that a pipe with no writer cannot hold the program, and then
    // checked to be a plain file before a byte is read.
    const platform::OpenedFile opened = platform::OpenPlainFile(resolved);
    if (opened.error != 0) {
        if (missing != nullptr) *missing = opened.error == ENOENT;
        error = "Cannot open " + path.string() + ": " + Reason(opened.error);
        return false;
    }
    if (!opened.file) {
        error = "Cannot read " + path.string() + ": it is not a file (" +
                (opened.kind == platform::FileKind::Folder ? "a folder"
                                                           : "a device, a pipe or a socket") +
                ")";
        return false;
    }
    if (opened.size > largest) {
        error = "Cannot read " + path.string() + ": the file is larger than " +
                std::to_string(largest) + " bytes";
        return false;
    }
    std::FILE* const file = opened.file.get();
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
