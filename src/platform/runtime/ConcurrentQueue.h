#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// A small pool of named threads for background work. Tasks start in the
// order given but run side by side, so they must not rely on one another.
// Threads start as tasks need them (none before the first task, another only
// while all are busy), up to the pool's size, and then stay. Destruction runs
// every task already queued, then joins the threads; it must not happen on
// one of the pool's own threads.
class ConcurrentQueue {
public:
    using Task = std::function<void()>;

    // `threads` (the most that run side by side) 0 picks the machine's
    // hardware concurrency, at least 2. Starts no thread yet.
    explicit ConcurrentQueue(std::string label, unsigned threads = 0);
    ~ConcurrentQueue();
    ConcurrentQueue(const ConcurrentQueue&) = delete;
    ConcurrentQueue& operator=(const ConcurrentQueue&) = delete;

    const std::string& label() const;
    // The most threads the pool runs side by side.
    unsigned threadCount() const;

    // Queues `task` and returns at once. Any thread, including the pool's own.
    void async(Task task);
    // Queues every task of `tasks` in order and returns at once, waking the
    // workers once for all of them rather than once a task. Empties `tasks`.
    // Any thread.
    void asyncAll(std::vector<Task>& tasks);

    // True on one of the pool's threads.
    bool isCurrent() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qm
