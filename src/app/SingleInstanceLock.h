#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "base/FileDescriptor.h"

namespace qm {

// Keeps a second copy of the program off a data folder that one copy already
// uses: an exclusive flock on "Quillmarker.lock" in that folder, held for the
// life of the object. The kernel lets go of it when the process ends however
// it ends, so a crash never leaves a stale lock; the file itself stays, with
// the holder's process id in it for the message of the copy that is turned
// away. The descriptor is closed on exec, so a program this one starts never
// inherits the lock.
class SingleInstanceLock {
public:
    static constexpr std::string_view kFileName = "Quillmarker.lock";

    enum class Status {
        acquired,
        // Another process holds the lock.
        heldElsewhere,
        // The folder or the file could not be made or locked (see error()).
        unavailable,
    };

    // Creates `folder` (0700) when missing and tries the lock once, without waiting.
    explicit SingleInstanceLock(const std::filesystem::path& folder);

    Status status() const { return status_; }
    const std::filesystem::path& path() const { return path_; }
    // The process id the holder wrote, when heldElsewhere and readable.
    std::optional<pid_t> holder() const { return holder_; }
    // Why the lock is unavailable.
    const std::string& error() const { return error_; }

private:
    std::filesystem::path path_;
    file::FileDescriptor fd_;
    Status status_ = Status::unavailable;
    std::optional<pid_t> holder_;
    std::string error_;
};

}  // namespace qm
