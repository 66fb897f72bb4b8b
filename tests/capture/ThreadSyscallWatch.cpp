#include "ThreadSyscallWatch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <fmt/format.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/futex.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qm::test {

namespace {

#if defined(__x86_64__)

const std::map<long, const char*> kWatchedCalls{
    {SYS_futex, "futex"},       {SYS_futex_waitv, "futex_waitv"},
    {SYS_clone, "clone"},       {SYS_clone3, "clone3"},
    {SYS_write, "write"},       {SYS_writev, "writev"},
    {SYS_pwrite64, "pwrite64"}, {SYS_sendto, "sendto"},
    {SYS_sendmsg, "sendmsg"},
};

const char* futexOperation(std::uint64_t op)
{
    static constexpr const char* names[]{"wait",           "wake",        "fd",          "requeue",
                                         "cmp_requeue",    "wake_op",     "lock_pi",     "unlock_pi",
                                         "trylock_pi",     "wait_bitset", "wake_bitset", "wait_requeue_pi",
                                         "cmp_requeue_pi", "lock_pi2"};
    const std::uint64_t command = op & FUTEX_CMD_MASK;
    return command < std::size(names) ? names[command] : "?";
}

// The thread inside a Watching scope (0: none) and what was noted for it.
std::atomic<pid_t> watchingTid{0};
std::mutex notedMutex;
std::vector<std::string> noted;

pid_t currentTid()
{
    static thread_local const pid_t tid = static_cast<pid_t>(syscall(SYS_gettid));
    return tid;
}

// Stops the calling thread at every watched call until a supervisor answers.
// The listener's descriptor, or -1.
int installFilter()
{
    std::vector<sock_filter> program{
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    const std::size_t count = kWatchedCalls.size();
    std::size_t index = 0;
    for (const auto& [number, name] : kWatchedCalls) {
        // A match jumps over the remaining tests and the allow, to the notification.
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(number),
                                   static_cast<std::uint8_t>(count - index), 0));
        ++index;
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF));
    sock_fprog fprog{static_cast<unsigned short>(program.size()), program.data()};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return -1;
    }
    return static_cast<int>(
        syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &fprog));
}

std::string describe(const seccomp_data& data)
{
    const auto found = kWatchedCalls.find(data.nr);
    const std::string name = found != kWatchedCalls.end() ? found->second : fmt::format("#{}", data.nr);
    if (data.nr == SYS_futex) {
        return fmt::format("{}({})", name, futexOperation(data.args[1]));
    }
    return name;
}

// Answers the watched threads' calls (letting each go on) until none of them
// is left. Lives on a thread that is not watched itself.
void supervise(int listener)
{
    seccomp_notif_sizes sizes{};
    if (syscall(SYS_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes) != 0) {
        sizes = {sizeof(seccomp_notif), sizeof(seccomp_notif_resp), sizeof(seccomp_data)};
    }
    std::vector<std::byte> requestBytes(std::max<std::size_t>(sizes.seccomp_notif, sizeof(seccomp_notif)));
    std::vector<std::byte> responseBytes(
        std::max<std::size_t>(sizes.seccomp_notif_resp, sizeof(seccomp_notif_resp)));
    auto* request = reinterpret_cast<seccomp_notif*>(requestBytes.data());
    auto* response = reinterpret_cast<seccomp_notif_resp*>(responseBytes.data());
    for (;;) {
        pollfd ready{listener, POLLIN, 0};
        if (poll(&ready, 1, 200) < 0 || (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            break;  // no watched thread is left
        }
        if ((ready.revents & POLLIN) == 0) {
            continue;
        }
        std::fill(requestBytes.begin(), requestBytes.end(), std::byte{0});
        if (ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, request) != 0) {
            continue;  // the caller went away meanwhile
        }
        if (request->pid != 0 && static_cast<pid_t>(request->pid) == watchingTid.load()) {
            std::lock_guard lock(notedMutex);
            noted.push_back(describe(request->data));
        }
        std::fill(responseBytes.begin(), responseBytes.end(), std::byte{0});
        response->id = request->id;
        response->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
        ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, response);
    }
    close(listener);
}

#endif

thread_local int watchingDepth = 0;

}  // namespace

bool ThreadSyscallWatch::runWatched(const std::function<void()>& body,
                                    const std::function<void(const std::atomic<bool>& done)>& meanwhile,
                                    std::vector<std::string>& result)
{
#if defined(__x86_64__)
    {
        std::lock_guard lock(notedMutex);
        noted.clear();
    }
    // Handed over without a lock: once the filter is in, every futex of the
    // watched thread waits for the supervisor.
    struct Handover {
        std::atomic<int> listener{-1};
        std::atomic<bool> refused{false};
    };
    const auto handover = std::make_shared<Handover>();
    // Started here, not by the watched thread, whose filter it would inherit.
    // It outlives this call while threads the body started are still watched.
    std::thread([handover] {
        while (handover->listener.load() < 0 && !handover->refused.load()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        if (const int listener = handover->listener.load(); listener >= 0) {
            supervise(listener);
        }
    }).detach();
    std::atomic<bool> done{false};
    std::thread watched([&] {
        const int listener = installFilter();
        if (listener < 0) {
            handover->refused.store(true);
            done.store(true);
            return;
        }
        handover->listener.store(listener);
        body();
        done.store(true);
    });
    meanwhile(done);
    watched.join();
    if (handover->refused.load()) {
        return false;
    }
    std::lock_guard lock(notedMutex);
    result = std::move(noted);
    noted.clear();
    return true;
#else
    (void)body;
    (void)meanwhile;
    (void)result;
    return false;
#endif
}

ThreadSyscallWatch::Watching::Watching()
{
#if defined(__x86_64__)
    if (watchingDepth++ == 0) {
        watchingTid.store(currentTid());
    }
#endif
}

ThreadSyscallWatch::Watching::~Watching()
{
#if defined(__x86_64__)
    if (--watchingDepth == 0) {
        watchingTid.store(0);
    }
#endif
}

}  // namespace qm::test
