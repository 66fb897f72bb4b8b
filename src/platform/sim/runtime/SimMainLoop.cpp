#include "platform/sim/runtime/SimMainLoop.h"

#include <algorithm>
#include <chrono>

namespace qm {

SimMainLoop::SimMainLoop(SimClock& clock) : clock_(clock), mainThread_(std::this_thread::get_id()) {}

SimMainLoop::~SimMainLoop() = default;

void SimMainLoop::post(Task task)
{
    {
        std::lock_guard lock(mutex_);
        ready_.push_back(Entry{std::move(task), nullptr});
    }
    posted_.notify_all();
}

ScheduledTask SimMainLoop::postAfter(double seconds, Task task)
{
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    const double due = clock_.now() + std::max(seconds, 0.0);
    {
        std::lock_guard lock(mutex_);
        delayed_.emplace(DueKey{due, nextSequence_++}, Entry{std::move(task), cancelled});
    }
    posted_.notify_all();
    return ScheduledTask(cancelled);
}

bool SimMainLoop::isMainThread() const
{
    return mainThread_.load() == std::this_thread::get_id();
}

void SimMainLoop::becomeMainThread()
{
    mainThread_.store(std::this_thread::get_id());
}

void SimMainLoop::dropCancelledFront(std::vector<Entry>& garbage)
{
    while (!delayed_.empty() && delayed_.begin()->second.cancelled->load()) {
        garbage.push_back(std::move(delayed_.begin()->second));
        delayed_.erase(delayed_.begin());
    }
}

std::optional<SimMainLoop::Entry> SimMainLoop::takeNext(double limit, bool postedFirst,
                                                        std::vector<Entry>& garbage, double* due)
{
    std::lock_guard lock(mutex_);
    if (postedFirst && !ready_.empty()) {
        Entry entry = std::move(ready_.front());
        ready_.pop_front();
        return entry;
    }
    dropCancelledFront(garbage);
    if (delayed_.empty() || delayed_.begin()->first.first > limit) {
        return std::nullopt;
    }
    if (due) {
        *due = delayed_.begin()->first.first;
    }
    Entry entry = std::move(delayed_.begin()->second);
    delayed_.erase(delayed_.begin());
    return entry;
}

bool SimMainLoop::runEntry(Entry& entry)
{
    // Cancelled between being taken and being run: it must still never run.
    if (entry.cancelled && entry.cancelled->load()) {
        return false;
    }
    if (entry.task) {
        entry.task();
    }
    return true;
}

std::size_t SimMainLoop::runUntilIdle()
{
    becomeMainThread();
    std::size_t ran = 0;
    for (;;) {
        std::vector<Entry> garbage;
        auto entry = takeNext(clock_.now(), true, garbage);
        garbage.clear();
        if (!entry) {
            return ran;
        }
        ran += runEntry(*entry) ? 1 : 0;
    }
}

std::size_t SimMainLoop::advance(double seconds)
{
    becomeMainThread();
    const double target = clock_.now() + std::max(seconds, 0.0);
    std::size_t ran = runUntilIdle();
    for (;;) {
        std::vector<Entry> garbage;
        double due = 0;
        auto entry = takeNext(target, false, garbage, &due);
        garbage.clear();
        if (!entry) {
            break;
        }
        if (due > clock_.now()) {
            clock_.set(due);
        }
        ran += runEntry(*entry) ? 1 : 0;
        entry.reset();
        ran += runUntilIdle();
    }
    if (clock_.now() < target) {
        clock_.set(target);
    }
    return ran;
}

bool SimMainLoop::runUntil(const std::function<bool()>& done, double realTimeoutSeconds)
{
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(std::max(realTimeoutSeconds, 0.0)));
    for (;;) {
        runUntilIdle();
        if (done()) {
            return true;
        }
        std::unique_lock lock(mutex_);
        const bool woken = posted_.wait_until(lock, deadline, [&] {
            if (!ready_.empty()) {
                return true;
            }
            auto first = std::find_if(delayed_.begin(), delayed_.end(),
                                      [](const auto& item) { return !item.second.cancelled->load(); });
            return first != delayed_.end() && first->first.first <= clock_.now();
        });
        if (!woken) {
            lock.unlock();
            runUntilIdle();
            return done();
        }
    }
}

std::size_t SimMainLoop::pendingCount() const
{
    std::lock_guard lock(mutex_);
    return ready_.size() +
           static_cast<std::size_t>(std::count_if(delayed_.begin(), delayed_.end(), [](const auto& item) {
               return !item.second.cancelled->load();
           }));
}

std::optional<double> SimMainLoop::nextDueTime() const
{
    std::lock_guard lock(mutex_);
    for (const auto& [key, entry] : delayed_) {
        if (!entry.cancelled->load()) {
            return key.first;
        }
    }
    return std::nullopt;
}

}  // namespace qm
