#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include <sys/types.h>

namespace qm::file {

// Replaces `path` with `bytes` so that a reader sees either the old content or
// the whole new one. A temporary file next to the target is created with `mode`
// from the start (never briefly wider), written, fsync'ed, renamed over the
// target, and the folder is synced. The mode is exact: the umask does not apply.
std::error_code writeAtomically(const std::filesystem::path& path, std::string_view bytes,
                                mode_t mode = 0644);

// Creates `path` and any missing parents; every folder this call creates gets
// `mode` exactly (umask ignored). Existing folders are left as they are.
std::error_code createDirectories(const std::filesystem::path& path, mode_t mode = 0755);

// A folder only this user may enter: created as createDirectories does with
// 0700 (every missing parent too, as the XDG convention asks), and one that
// exists wider and belongs to this user is tightened to 0700. Anything but a
// folder at `path` is an error; a tightening that fails is not.
std::error_code createPrivateFolder(const std::filesystem::path& path);

// A regular file only this user may read and write: created empty with 0600
// from the start (umask ignored); one that exists and belongs to this user is
// set to 0600 exactly; its content is left alone. A folder, FIFO or
// device at `path` is an error, and a FIFO is never waited on.
std::error_code createPrivateFile(const std::filesystem::path& path);

// An SQLite database whose files only this user may read and write. SQLite
// creates the journal, the WAL and the shared-memory file with the permission
// bits of the database file, so a database file made private (as
// createPrivateFile does) before SQLite first opens it keeps all of them
// private whatever the umask; any of them left wider by an earlier version
// are tightened. The database file's error, when it could not be made private.
std::error_code createPrivateDatabaseFiles(const std::filesystem::path& file);

// Writes every byte to an open descriptor, resuming after short writes and EINTR.
std::error_code writeAll(int fd, std::string_view bytes);

// The whole file, or the error that kept it from being read.
std::optional<std::string> readAll(const std::filesystem::path& path, std::error_code& error);

// The whole file when it is a regular file. Anything else in its place (a FIFO, a
// device, a folder) is refused with std::errc::invalid_argument instead of being
// opened for a read that might never end.
std::optional<std::string> readRegularFile(const std::filesystem::path& path, std::error_code& error);

// As readRegularFile, but a file larger than `maximumSize` bytes is refused with
// std::errc::file_too_large before any of it is read.
std::optional<std::string> readRegularFileAtMost(const std::filesystem::path& path,
                                                 std::uintmax_t maximumSize, std::error_code& error);

// Moves a file that cannot be used out of the way, kept for the user to look at:
// renamed to "<name>.corrupt", or "<name>.corrupt-2", "-3" ... when that is taken.
// An existing file is never replaced. The new path, or nothing with `error` set
// (the file then stays where it was).
std::optional<std::filesystem::path> moveAside(const std::filesystem::path& path, std::error_code& error);
inline constexpr std::string_view kCorruptSuffix = ".corrupt";

// The POSIX permission bits of `path` (st_mode & 07777), or nothing if it cannot be stat'ed.
std::optional<mode_t> permissions(const std::filesystem::path& path);

}  // namespace qm::file
