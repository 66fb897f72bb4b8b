#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/runtime/MainLoop.h"
#include "platform/sim/runtime/SimClock.h"

namespace qm {

// The main loop of tests: nothing runs until the test pumps it, and delayed
// tasks wait for virtual time on a SimClock. Any thread may post; the thread
// that pumps (runUntilIdle, advance, runUntil) is the main thread, and before
// the first pump it is the thread that built the loop.
//
// Posted tasks run before delayed ones that are due, in the order posted.
// Delayed tasks run in due-time order, equal times in the order scheduled.
// Tasks still queued when the loop is destroyed are dropped without running;
// the loop must outlive every thread that may still post to it.
class SimMainLoop final : public MainLoop {
public:
    explicit SimMainLoop(SimClock& clock);
    ~SimMainLoop() override;
    SimMainLoop(const SimMainLoop&) = delete;
    SimMainLoop& operator=(const SimMainLoop&) = delete;

    void post(Task task) override;
    ScheduledTask postAfter(double seconds, Task task) override;
    bool isMainThread() const override;

    // Runs posted tasks and due delayed tasks, including any they post, until
    // nothing is due at the current virtual time. Returns how many ran.
    std::size_t runUntilIdle();

    // Moves virtual time forward by `seconds`. Each delayed task that falls due
    // on the way runs with the clock set to its due time, followed by whatever
    // it posted; the clock ends at the target. Returns how many tasks ran.
    std::size_t advance(double seconds);

    // Pumps tasks while other threads post, virtual time standing still, until
    // `done` holds or `realTimeoutSeconds` of real time have passed (so a broken
    // test fails instead of hanging). Returns the last answer of `done`.
    bool runUntil(const std::function<bool()>& done, double realTimeoutSeconds = 5.0);

    // Tasks waiting to run, posted or delayed; cancelled ones do not count.
    std::size_t pendingCount() const;

    // The due time of the earliest delayed task that is not cancelled.
    std::optional<double> nextDueTime() const;

    SimClock& clock() const { return clock_; }

private:
    using Flag = std::shared_ptr<std::atomic<bool>>;
    struct Entry {
        Task task;
        Flag cancelled;
    };
    using DueKey = std::pair<double, std::uint64_t>;

    // Takes the next task that may run once the clock reads `limit`, posted
    // tasks first. Dropped (cancelled) entries go to `garbage` so their captures
    // are destroyed outside the lock.
    std::optional<Entry> takeNext(double limit, bool postedFirst, std::vector<Entry>& garbage,
                                  double* due = nullptr);
    void dropCancelledFront(std::vector<Entry>& garbage);
    void becomeMainThread();
    static bool runEntry(Entry& entry);

    SimClock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Entry> ready_;
    std::map<DueKey, Entry> delayed_;
    std::uint64_t nextSequence_ = 0;
    std::atomic<std::thread::id> mainThread_;
};

}  // namespace qm
