#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/runtime/MainLoop.h"

class QObject;

namespace qm {

// The app's main loop: Qt's event loop on the thread that owns the
// application object. It keeps the contract of the manual loop of the tests:
// posted tasks run in the order posted and before delayed tasks that are due;
// delayed tasks run in due-time order (real, monotonic time), equal times in
// the order scheduled; a cancelled task never runs; tasks still queued when
// the loop is destroyed are dropped without running. Any thread may post.
//
// Qt's own timers and posted events do not promise that order between each
// other, so the loop keeps its own queues and wakes itself through one posted
// event and one precise timer. One turn runs a bounded batch of tasks and then
// lets Qt handle input and painting, so a task that keeps re-posting itself
// cannot freeze the windows.
class QtMainLoop final : public MainLoop {
public:
    // How many tasks one turn of Qt's event loop runs at most.
    static constexpr std::size_t tasksPerTurn = 256;

    // Built on the thread that runs Qt's event loop, once the application
    // object exists; destroyed there too, after every other thread that may
    // post to it has stopped.
    QtMainLoop();
    ~QtMainLoop() override;
    QtMainLoop(const QtMainLoop&) = delete;
    QtMainLoop& operator=(const QtMainLoop&) = delete;

    void post(Task task) override;
    ScheduledTask postAfter(double seconds, Task task) override;
    bool isMainThread() const override;

    // Tasks waiting to run, posted or delayed; cancelled ones do not count.
    std::size_t pendingCount() const;

private:
    class Waker;
    using SteadyClock = std::chrono::steady_clock;
    using Flag = std::shared_ptr<std::atomic<bool>>;
    struct Entry {
        Task task;
        Flag cancelled;
    };
    using DueKey = std::pair<SteadyClock::time_point, std::uint64_t>;

    // Main thread: runs one batch, then re-arms the wake-ups.
    void runTurn();
    std::optional<Entry> takeNext(SteadyClock::time_point now, std::vector<Entry>& garbage);
    // With mutex_ held: asks Qt for a turn unless one is already asked for.
    void requestTurnLocked();
    void armTimer();

    const std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::deque<Entry> ready_;
    std::map<DueKey, Entry> delayed_;
    std::uint64_t nextSequence_ = 0;
    bool turnRequested_ = false;
    std::unique_ptr<Waker> waker_;
};

}  // namespace qm
