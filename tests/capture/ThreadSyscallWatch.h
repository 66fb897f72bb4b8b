#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace qm::test {

// Watches one thread for the system calls by which it would involve another
// thread or the outside world: futex (waking a sleeping thread, or waiting
// for a lock another thread holds; an uncontended lock or a notify with no
// sleeper makes none), clone (starting a thread) and writes (I/O, the wake of
// an event loop). The kernel stops the thread at each such call and a
// supervisor thread notes it, then lets the call go on (seccomp user
// notification), so nothing the thread does changes.
//
// Only the calls made while the thread is inside a Watching scope are kept.
class ThreadSyscallWatch {
public:
    // Runs `body` on a new thread that is watched (as are the threads it
    // starts) and returns the calls noted inside Watching scopes on it. The
    // calling thread runs `meanwhile` until `body` is done (`done` turns
    // true). False where the kernel cannot watch a thread this way (then
    // `body` has not run).
    static bool runWatched(const std::function<void()>& body,
                           const std::function<void(const std::atomic<bool>& done)>& meanwhile,
                           std::vector<std::string>& noted);

    // Notes the watched thread's calls while it lives. On a thread that is not
    // watched it notes nothing.
    class Watching {
    public:
        Watching();
        ~Watching();
        Watching(const Watching&) = delete;
        Watching& operator=(const Watching&) = delete;
    };
};

}  // namespace qm::test
