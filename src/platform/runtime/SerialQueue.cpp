#include "platform/runtime/SerialQueue.h"

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include <fmt/format.h>

#include "base/Log.h"
#include "platform/runtime/ThreadName.h"

namespace qm {

namespace {

struct Core;

// The queue whose worker this thread is, if any.
thread_local const Core* currentCore = nullptr;

// What the worker thread shares with the queue object. The thread keeps its own
// reference so that a queue destroyed from one of its own tasks stays usable
// until that task returns.
struct Core {
    std::string label;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<SerialQueue::Task> tasks;
    bool stopping = false;
    std::function<bool()> feed;
    std::function<SerialQueue::Task()> takeFed;
    std::chrono::microseconds feedInterval{0};
    bool feedWake = false;

    void run()
    {
        ThreadName::setCurrent(label);
        currentCore = this;
        // While the feed expects more, the thread looks at it every interval
        // instead of waiting to be woken.
        bool polling = false;
        for (;;) {
            SerialQueue::Task task;
            bool last = false;
            bool fed = false;
            {
                std::unique_lock lock(mutex);
                const auto ready = [&] { return stopping || feedWake || !tasks.empty(); };
                if (polling) {
                    wake.wait_for(lock, feedInterval, ready);
                } else {
                    wake.wait(lock, ready);
                }
                if (!tasks.empty()) {
                    // A wake of the feed stays for when the tasks are done.
                    task = std::move(tasks.front());
                    tasks.pop_front();
                } else {
                    feedWake = false;
                    fed = static_cast<bool>(feed);
                    last = stopping;
                }
            }
            if (task) {
                // What the feed holds was handed over after every queued task.
                task();
                continue;
            }
            if (fed) {
                polling = feed();
            }
            if (last) {
                return;
            }
        }
    }
};

}  // namespace

struct SerialQueue::State {
    std::shared_ptr<Core> core;
    // Started by the first task or the first wake of the feed (under the
    // core's lock): a queue that is never used costs no thread.
    std::thread thread;

    void startThreadLocked()
    {
        if (!thread.joinable()) {
            thread = std::thread([core = core] { core->run(); });
        }
    }
};

SerialQueue::SerialQueue(std::string label) : state_(std::make_unique<State>())
{
    state_->core = std::make_shared<Core>();
    state_->core->label = std::move(label);
}

SerialQueue::~SerialQueue()
{
    auto& core = *state_->core;
    {
        std::lock_guard lock(core.mutex);
        core.stopping = true;
        // What was handed over to a queue that never ran still gets its turn.
        if (core.feed) {
            state_->startThreadLocked();
        }
    }
    core.wake.notify_all();
    if (!state_->thread.joinable()) {
        return;
    }
    if (isCurrent()) {
        // Destroyed by one of its own tasks: the thread drains the rest after
        // this task returns and then ends; joining here would wait for itself.
        state_->thread.detach();
    } else {
        state_->thread.join();
    }
}

const std::string& SerialQueue::label() const
{
    return state_->core->label;
}

void SerialQueue::async(Task task)
{
    auto& core = *state_->core;
    {
        std::lock_guard lock(core.mutex);
        // Under the lock: what was handed over before `task` runs before it,
        // and what comes after it, after it, however many threads queue tasks.
        if (core.takeFed) {
            if (Task handedOver = core.takeFed()) {
                core.tasks.push_back(std::move(handedOver));
            }
        }
        core.tasks.push_back(std::move(task));
        state_->startThreadLocked();
    }
    core.wake.notify_one();
}

void SerialQueue::sync(const Task& task)
{
    if (isCurrent()) {
        // Waiting for a task queued behind the one that waits can never end.
        const std::string message = fmt::format(
            "❌ SerialQueue {}: sync called from its own queue (it would wait for itself)", label());
#ifndef NDEBUG
        Log::log(message);
        std::abort();
#else
        // Release builds run the task at once on this same thread, ahead of the
        // tasks already queued, rather than hang the queue for good.
        Log::log(message + "; running the task inline");
        task();
        return;
#endif
    }
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    bool done = false;
    std::exception_ptr error;
    async([&] {
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        // Notify under the lock: the waiter's stack frame ends as soon as it sees `done`.
        std::lock_guard lock(doneMutex);
        done = true;
        doneSignal.notify_one();
    });
    std::unique_lock lock(doneMutex);
    doneSignal.wait(lock, [&] { return done; });
    if (error) {
        std::rethrow_exception(error);
    }
}

void SerialQueue::setFeed(std::function<bool()> drain, std::function<Task()> takeHandedOver,
                          std::chrono::microseconds interval)
{
    auto& core = *state_->core;
    std::lock_guard lock(core.mutex);
    core.feed = std::move(drain);
    core.takeFed = std::move(takeHandedOver);
    core.feedInterval = interval;
}

void SerialQueue::wakeFeed()
{
    auto& core = *state_->core;
    {
        std::lock_guard lock(core.mutex);
        core.feedWake = true;
        state_->startThreadLocked();
    }
    core.wake.notify_one();
}

bool SerialQueue::isCurrent() const
{
    return currentCore == state_->core.get();
}

}  // namespace qm
