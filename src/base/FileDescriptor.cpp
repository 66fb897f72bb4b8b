#include "base/FileDescriptor.h"

#include <unistd.h>

namespace qm::file {

void FileDescriptor::reset(int fd)
{
    const int previous = std::exchange(fd_, fd);
    if (previous >= 0) {
        ::close(previous);
    }
}

int FileDescriptor::close()
{
    const int previous = release();
    return previous >= 0 ? ::close(previous) : 0;
}

}  // namespace qm::file
