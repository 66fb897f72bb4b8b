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

    void run()
    {
        ThreadName::setCurrent(label);
        currentCore = this;
        for (;;) {
            SerialQueue::Task task;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stopping || !tasks.empty(); });
                if (tasks.empty()) {
                    return;
                }
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }
};

}  // namespace

struct SerialQueue::State {
    std::shared_ptr<Core> core;
    // Started by the first task (under the core's lock): a queue that is
    // never used costs no thread.
    std::thread thread;
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
        core.tasks.push_back(std::move(task));
        if (!state_->thread.joinable()) {
            state_->thread = std::thread([core = state_->core] { core->run(); });
        }
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

bool SerialQueue::isCurrent() const
{
    return currentCore == state_->core.get();
}

}  // namespace qm
