#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace qm {

// A named thread that runs its tasks one at a time, in the order given. The
// thread starts with the first task or the first wake of its feed.
// Destruction runs every task already queued, then joins the thread (when one
// of its own tasks destroys the queue, the thread finishes the queue on its own).
class SerialQueue {
public:
    using Task = std::function<void()>;

    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const;

    // Queues `task` and returns at once.
    void async(Task task);

    // Runs `task` on the queue and waits for it. A sync from the queue's own
    // thread would wait for itself: debug builds abort with a message.
    // Release builds log the same "❌" line and run `task` at once on that same
    // thread, ahead of the tasks already queued. An exception from `task` is
    // rethrown here.
    void sync(const Task& task);

    // Runs `body` on the queue, waits, and hands back what it returned.
    template <class F> auto syncResult(F&& body) -> std::invoke_result_t<F&>
    {
        using R = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<R>) {
            sync([&] { body(); });
        } else {
            std::optional<R> result;
            sync([&] { result.emplace(body()); });
            return std::move(*result);
        }
    }

    // True on the queue's own thread.
    bool isCurrent() const;

    // Work that producers hand over without waking the queue's thread, which
    // would cost each of them a thread wake; it keeps its place among the
    // queue's tasks. When a task is queued, `takeHandedOver` gives the work
    // handed over so far as one task to run before it (nothing when there is
    // none); it is called under the queue's lock and must not call the queue.
    // `drain` runs on the queue's thread when it has no task: whenever
    // `interval` passes while `drain` last answered true (more is expected
    // soon), and when woken by wakeFeed(); once it answers false the thread
    // sleeps until the next task or wakeFeed(). It runs once more when the
    // queue is destroyed, after the last task. Set once, before anything is
    // handed over.
    void setFeed(std::function<bool()> drain, std::function<Task()> takeHandedOver,
                 std::chrono::microseconds interval);
    // Has the feed drained soon: for a producer that handed work over after
    // `drain` last answered false.
    void wakeFeed();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qm
