#pragma once

#include <utility>

namespace qm::file {

// Owns one open file descriptor and closes it when it goes: the only owner of
// raw descriptors in the code, so no way out of a function can leak one. A close
// error is ignored there; a caller that must know (after writing a file it
// renames into place) closes with close() and checks the result.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return isOpen(); }

    // Gives up ownership without closing.
    int release() { return std::exchange(fd_, -1); }
    // Closes the current descriptor (if any) and takes `fd`.
    void reset(int fd = -1);
    // Closes now; 0, or -1 with errno set. The descriptor is gone either way.
    int close();

private:
    int fd_ = -1;
};

}  // namespace qm::file
