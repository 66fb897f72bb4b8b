#pragma once

#include <filesystem>

namespace qm::test {

// A slow mount for one path: while a SlowStat lives, every stat() of exactly
// `path` in this process waits until release() (or the destructor), as a
// network folder that has gone away would make it wait. Other paths are not
// touched. One at a time per process.
class SlowStat {
public:
    explicit SlowStat(const std::filesystem::path& path);
    ~SlowStat();
    SlowStat(const SlowStat&) = delete;
    SlowStat& operator=(const SlowStat&) = delete;

    // A stat() of the path is waiting.
    bool hasWaiter() const;
    // Lets every waiting and later stat() of the path through.
    void release();
};

}  // namespace qm::test
