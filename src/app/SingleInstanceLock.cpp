#include "app/SingleInstanceLock.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/FileUtil.h"

namespace qm {

namespace {

std::optional<pid_t> readHolder(int fd)
{
    char buffer[32] = {};
    const ssize_t count = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (count <= 0) {
        return std::nullopt;
    }
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(buffer, buffer + count, pid);
    if (error != std::errc() || pid <= 0 || end == buffer) {
        return std::nullopt;
    }
    return pid;
}

}  // namespace

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& folder) : path_(folder / kFileName)
{
    if (const auto error = file::createDirectories(folder, 0700)) {
        error_ = "cannot create " + folder.string() + ": " + error.message();
        return;
    }
    fd_.reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd_) {
        error_ = "cannot open " + path_.string() + ": " + std::strerror(errno);
        return;
    }
    while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            status_ = Status::heldElsewhere;
            holder_ = readHolder(fd_.get());
        } else {
            error_ = "cannot lock " + path_.string() + ": " + std::strerror(errno);
        }
        fd_.reset();
        return;
    }
    status_ = Status::acquired;
    // Only a note for the copy that is turned away: the lock is the flock.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_.get(), 0) == 0) {
        [[maybe_unused]] const auto ignored = ::pwrite(fd_.get(), pid.data(), pid.size(), 0);
    }
}

}  // namespace qm
