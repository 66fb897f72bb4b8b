#include "capture/SlowStat.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

#include <dlfcn.h>
#include <sys/stat.h>

namespace qm::test {

namespace {

struct SlowPath {
    std::mutex mutex;
    std::condition_variable released;
    std::string path;  // empty: nothing is slow
    bool open = true;
    int waiting = 0;
};

SlowPath& slowPath()
{
    static SlowPath* const shared = new SlowPath;  // outlives every thread that may stat
    return *shared;
}

using StatFunction = int (*)(const char*, struct stat*);

StatFunction platformStat()
{
    static const auto found = reinterpret_cast<StatFunction>(::dlsym(RTLD_NEXT, "stat"));
    return found;
}

void waitIfSlow(const char* path)
{
    SlowPath& slow = slowPath();
    std::unique_lock lock(slow.mutex);
    if (slow.path.empty() || path == nullptr || slow.path != path) {
        return;
    }
    ++slow.waiting;
    slow.released.wait(lock, [&] { return slow.open; });
    --slow.waiting;
    slow.released.notify_all();  // the destructor waits for the last one out
}

}  // namespace

SlowStat::SlowStat(const std::filesystem::path& path)
{
    if (platformStat() == nullptr) {
        throw std::runtime_error("SlowStat: the platform's stat() was not found");
    }
    SlowPath& slow = slowPath();
    std::lock_guard lock(slow.mutex);
    if (!slow.path.empty()) {
        throw std::logic_error("SlowStat: one slow path at a time");
    }
    slow.path = path.string();
    slow.open = false;
}

SlowStat::~SlowStat()
{
    release();
    SlowPath& slow = slowPath();
    std::unique_lock lock(slow.mutex);
    slow.released.wait(lock, [&] { return slow.waiting == 0; });
    slow.path.clear();
}

bool SlowStat::hasWaiter() const
{
    SlowPath& slow = slowPath();
    std::lock_guard lock(slow.mutex);
    return slow.waiting > 0;
}

void SlowStat::release()
{
    SlowPath& slow = slowPath();
    {
        std::lock_guard lock(slow.mutex);
        slow.open = true;
    }
    slow.released.notify_all();
}

}  // namespace qm::test

// Takes the place of the C library's stat() for the whole test process (the
// standard library's file-system calls included) and hands every call on.
extern "C" int stat(const char* __restrict path, struct stat* __restrict info) noexcept
{
    qm::test::waitIfSlow(path);
    return qm::test::platformStat()(path, info);
}
