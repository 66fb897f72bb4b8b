#pragma once

#include <exception>
#include <thread>
#include <utility>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qm::test {

// Tests of files a user may not read or write run as root here, and root
// ignores permission bits. Capabilities belong to each thread, so a thread
// that drops the overrides sees permissions as an ordinary user would, while
// the rest of the process keeps them. True when the thread is now bound by
// permission bits (always, for a process that is not root).
inline bool dropFileOverrideOnThisThread()
{
    if (::geteuid() != 0) {
        return true;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    constexpr unsigned kOverrides =
        (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    data[0].effective &= ~kOverrides;
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs `work` on a thread of its own without the overrides and rethrows what
// it threw. Returns false, without running it, when they cannot be dropped.
template <class Work> bool runWithoutFileOverride(Work&& work)
{
    bool dropped = false;
    std::exception_ptr failure;
    std::thread([&] {
        dropped = dropFileOverrideOnThisThread();
        if (!dropped) {
            return;
        }
        try {
            std::forward<Work>(work)();
        } catch (...) {
            failure = std::current_exception();
        }
    }).join();
    if (failure) {
        std::rethrow_exception(failure);
    }
    return dropped;
}

}  // namespace qm::test
