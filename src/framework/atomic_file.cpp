#include "framework/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "platform/plain_file.h"

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
// ever overwritten by it (nor a file a planted link names), with `mode` less the umask.
std::FILE* CreateTemporary(const fs::path& path, fs::path& temporary, unsigned mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path;
        temporary += attempt == 0 ? ".tmp" : "." + std::to_string(attempt) + ".tmp";
#ifdef _WIN32
        (void)mode;
        if (std::FILE* file = std::fopen(temporary.string().c_str(), "wbx")) return file;
#else
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                            static_cast<mode_t>(mode));
        if (fd >= 0) {
            if (std::FILE* file = fdopen(fd, "wb")) return file;
            const int openError = errno;
            close(fd);
            fs::remove(temporary);
            errno = openError;
            return nullptr;
        }
#endif
        if (errno != EEXIST) return nullptr;
    }
    errno = EEXIST;
    return nullptr;
}

// Whether the link at `link` may be followed: not when it lies in a sticky folder that every
// user may write to and belongs to another user than the caller, root or the folder's owner
// (whoever planted it there could aim it at any file of the caller's).
bool LinkMayBeFollowed(const fs::path& link) {
#ifdef _WIN32
    (void)link;
    return true;
#else
    struct stat linkInfo {};
    struct stat folderInfo {};
    const fs::path folder = link.has_parent_path() ? link.parent_path() : fs::path(".");
    if (lstat(link.c_str(), &linkInfo) != 0 || stat(folder.c_str(), &folderInfo) != 0) {
        return false;
    }
    const bool shared = (folderInfo.st_mode & S_ISVTX) != 0 && (folderInfo.st_mode & S_IWOTH) != 0;
    if (!shared) return true;
    return linkInfo.st_uid == geteuid() || linkInfo.st_uid == 0 ||
           linkInfo.st_uid == folderInfo.st_uid;
#endif
}

// The file that `requested` names, through any links, each checked as the system checks a link
// it opens; false with `error` set when a link may not be followed or the links go round.
bool ResolveLinks(const fs::path& requested, fs::path& path, std::string& error) {
    constexpr int kMostLinks = 40;  // as the system allows
    path = requested;
    for (int links = 0; links < kMostLinks; ++links) {
        std::error_code ec;
        if (!fs::is_symlink(path, ec)) return true;
        if (!LinkMayBeFollowed(path)) {
            error = "Cannot write " + requested.string() + ": " +
                    (path == requested ? std::string("it") : path.string()) +
                    " is a link another user left in a shared folder; it is not followed";
            return false;
        }
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            error = "Cannot write " + requested.string() + ": " + ec.message();
            return false;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    error = "Cannot write " + requested.string() + ": " + Reason(ELOOP);
    return false;
}

}  // namespace

bool WriteFileAtomically(const fs::path& requested, std::span<const std::uint8_t> bytes,
                         std::string& error, FileAccess access) {
    std::error_code ec;
    // A link is followed, so the file it names is replaced and the link stays a link.
    fs::path path;
    if (!ResolveLinks(requested, path, error)) return false;
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
    // Opened without waiting, so that a pipe with no writer cannot hold the program, and then
    // checked to be a plain file before a byte is read.
    const platform::OpenedFile opened = platform::OpenPlainFile(path);
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
