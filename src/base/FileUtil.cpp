#include "base/FileUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include <fmt/format.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/FileDescriptor.h"

namespace qm::file {

namespace {

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

std::error_code syncDescriptor(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR) {
            return lastError();
        }
    }
    return {};
}

std::error_code syncFolder(const std::filesystem::path& folder)
{
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        return lastError();
    }
    std::error_code error = syncDescriptor(fd.get());
    // Some file systems cannot sync a folder at all; the rename itself has happened.
    if (error == std::errc::invalid_argument) {
        return {};
    }
    return error;
}

// A hidden name next to the target, short enough to stay within NAME_MAX.
std::string temporaryTemplate(const std::filesystem::path& folder, const std::string& fileName)
{
    constexpr std::size_t kMaxStem = 200;
    std::string stem = fileName.substr(0, kMaxStem);
    return (folder / ("." + stem + ".tmp-XXXXXX")).string();
}

// Reads to the end of an open file; `sizeHint` only reserves room.
std::optional<std::string> readOpenFile(int fd, off_t sizeHint, std::error_code& error)
{
    std::string content;
    if (sizeHint > 0) {
        content.reserve(static_cast<std::size_t>(sizeHint));
    }
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = lastError();
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(count));
    }
    error.clear();
    return content;
}

// A rename that fails with file_exists instead of replacing `to`. File systems
// without the no-replace flag get a look first, which leaves a small window.
std::error_code renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return lastError();
    }
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        return std::make_error_code(std::errc::file_exists);
    }
    if (errno != ENOENT) {
        return lastError();
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : lastError();
}

}  // namespace

std::error_code writeAll(int fd, std::string_view bytes)
{
    // write() moves at most about 2 GiB per call on Linux; keep each call well below.
    constexpr std::size_t kMaxChunk = std::size_t{1} << 30;
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), std::min(bytes.size(), kMaxChunk));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return lastError();
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::error_code writeAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode)
{
    const std::string fileName = path.filename().string();
    if (fileName.empty() || fileName == "." || fileName == "..") {
        return std::make_error_code(std::errc::invalid_argument);
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";

    // mkostemp creates with O_CREAT|O_EXCL and mode 0600, so the temporary is never
    // readable by anyone else before fchmod sets the exact mode.
    std::string temporary = temporaryTemplate(folder, fileName);
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) {
        return lastError();
    }

    auto fail = [&temporary](std::error_code error) {
        ::unlink(temporary.c_str());
        return error;
    };

    if (::fchmod(fd.get(), mode & 07777) != 0) {
        return fail(lastError());
    }
    if (auto error = writeAll(fd.get(), bytes)) {
        return fail(error);
    }
    if (auto error = syncDescriptor(fd.get())) {
        return fail(error);
    }
    if (fd.close() != 0) {
        return fail(lastError());
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail(lastError());
    }
    return syncFolder(folder);
}

std::error_code createDirectories(const std::filesystem::path& path, mode_t mode)
{
    if (path.empty()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    std::filesystem::path current;
    for (const auto& part : path) {
        if (part.empty()) {
            continue;  // the empty element a trailing separator yields
        }
        current /= part;
        struct stat info {};
        if (::stat(current.c_str(), &info) == 0) {
            if (!S_ISDIR(info.st_mode)) {
                return std::make_error_code(std::errc::not_a_directory);
            }
            continue;
        }
        if (errno != ENOENT) {
            return lastError();
        }
        if (::mkdir(current.c_str(), mode & 07777) != 0) {
            const std::error_code error = lastError();
            // Another process may have created it in between; that one is not ours to change.
            if (errno == EEXIST && ::stat(current.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
                continue;
            }
            return error;
        }
        // mkdir applied the umask; set the exact mode (never wider than requested meanwhile).
        if (::chmod(current.c_str(), mode & 07777) != 0) {
            return lastError();
        }
    }
    return {};
}

std::error_code createPrivateFolder(const std::filesystem::path& path)
{
    if (auto error = createDirectories(path, 0700)) {
        return error;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return lastError();
    }
    if (!S_ISDIR(info.st_mode)) {
        return std::make_error_code(std::errc::not_a_directory);
    }
    if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
        // Made by an older version or by hand. The files inside are private
        // whatever happens here; a failed chmod only leaves their names visible.
        static_cast<void>(::chmod(path.c_str(), 0700));
    }
    return {};
}

std::error_code createPrivateFile(const std::filesystem::path& path)
{
    // Non-blocking, so that a FIFO in the file's place is never waited on.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600));
    if (!fd) {
        return lastError();
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        return lastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    // A new file got 0600 less the umask; an old one may be wider.
    if (info.st_uid == ::geteuid() && (info.st_mode & 07777) != 0600 && ::fchmod(fd.get(), 0600) != 0) {
        return lastError();
    }
    return {};
}

std::error_code createPrivateDatabaseFiles(const std::filesystem::path& file)
{
    const std::error_code error = createPrivateFile(file);
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::filesystem::path sidecar = file.string() + suffix;
        std::error_code missing;
        if (std::filesystem::is_regular_file(sidecar, missing)) {
            static_cast<void>(createPrivateFile(sidecar));
        }
    }
    return error;
}

std::optional<std::string> readAll(const std::filesystem::path& path, std::error_code& error)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = lastError();
        return std::nullopt;
    }
    struct stat info {};
    const bool known = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
    return readOpenFile(fd.get(), known ? info.st_size : 0, error);
}

std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::error_code& error)
{
    return readRegularFileAtMost(path, std::numeric_limits<std::uintmax_t>::max(), error);
}

std::optional<std::string> readRegularFileAtMost(const std::filesystem::path& path,
                                                 std::uintmax_t maximumSize, std::error_code& error)
{
    // Non-blocking, so that opening a FIFO nobody writes to returns at once.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        error = lastError();
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        error = lastError();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::invalid_argument);
        return std::nullopt;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > maximumSize) {
        error = std::make_error_code(std::errc::file_too_large);
        return std::nullopt;
    }
    return readOpenFile(fd.get(), info.st_size, error);
}

std::optional<std::filesystem::path> moveAside(const std::filesystem::path& path, std::error_code& error)
{
    constexpr int kMaxAttempts = 10000;
    const std::string base = path.string() + std::string(kCorruptSuffix);
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        const std::filesystem::path aside = attempt == 1 ? base : base + fmt::format("-{}", attempt);
        if (auto taken = renameWithoutReplacing(path, aside)) {
            if (taken == std::errc::file_exists) {
                continue;
            }
            error = taken;
            return std::nullopt;
        }
        error.clear();
        return aside;
    }
    error = std::make_error_code(std::errc::file_exists);
    return std::nullopt;
}

std::optional<mode_t> permissions(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_mode & 07777;
}

}  // namespace qm::file
