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

// Writes every byte to an open descriptor, resuming after short writes and EINTR.
std::error_code writeAll(int fd, std::string_view bytes);

// The whole file, or the error that kept it from being read.
std::optional<std::string> readAll(const std::filesystem::path& path, std::error_code& error);

// The POSIX permission bits of `path` (st_mode & 07777), or nothing if it cannot be stat'ed.
std::optional<mode_t> permissions(const std::filesystem::path& path);

}  // namespace qm::file
