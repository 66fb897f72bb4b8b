#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace qm {

// A named thread that runs its tasks one at a time, in the order given. The
// thread starts with the first task.
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

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace qm
