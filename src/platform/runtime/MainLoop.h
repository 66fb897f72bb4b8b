#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace qm {

// A handle to one delayed task; cancel() before it runs and it never will.
class ScheduledTask {
public:
    ScheduledTask() = default;
    explicit ScheduledTask(std::shared_ptr<std::atomic<bool>> cancelled) : cancelled_(std::move(cancelled)) {}

    void cancel()
    {
        if (cancelled_) {
            cancelled_->store(true);
        }
    }
    bool isCancelled() const { return cancelled_ && cancelled_->load(); }
    bool isValid() const { return cancelled_ != nullptr; }

private:
    std::shared_ptr<std::atomic<bool>> cancelled_;
};

// The main thread's run loop: the only ways onto the main thread are post and
// postAfter. The app runs Qt's loop; tests run a manual loop on a virtual clock.
class MainLoop {
public:
    using Task = std::function<void()>;

    virtual ~MainLoop() = default;

    // Runs `task` on the main thread after the tasks already posted. Any thread.
    virtual void post(Task task) = 0;

    // Runs `task` on the main thread once `seconds` have passed. Any thread.
    virtual ScheduledTask postAfter(double seconds, Task task) = 0;

    // True on the thread that runs this loop.
    virtual bool isMainThread() const = 0;
};

}  // namespace qm
