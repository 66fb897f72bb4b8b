#include "platform/runtime/ConcurrentQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/ThreadName.h"

namespace qm {

namespace {

// The pool whose worker this thread is, if any.
thread_local const void* currentPool = nullptr;

}  // namespace

struct ConcurrentQueue::State {
    std::string label;
    unsigned limit = 0;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Task> tasks;
    bool stopping = false;
    // Workers waiting for a task.
    std::size_t idle = 0;
    std::vector<std::thread> threads;

    void run()
    {
        ThreadName::setCurrent(label);
        currentPool = this;
        for (;;) {
            Task task;
            {
                std::unique_lock lock(mutex);
                ++idle;
                wake.wait(lock, [&] { return stopping || !tasks.empty(); });
                --idle;
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

ConcurrentQueue::ConcurrentQueue(std::string label, unsigned threads) : state_(std::make_unique<State>())
{
    state_->label = std::move(label);
    state_->limit = threads > 0 ? threads : std::max(2u, std::thread::hardware_concurrency());
}

ConcurrentQueue::~ConcurrentQueue()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    // A task still running may queue another and so start a worker: join until none is left.
    for (;;) {
        std::vector<std::thread> started;
        {
            std::lock_guard lock(state_->mutex);
            started.swap(state_->threads);
        }
        if (started.empty()) {
            return;
        }
        for (auto& thread : started) {
            thread.join();
        }
    }
}

const std::string& ConcurrentQueue::label() const
{
    return state_->label;
}

unsigned ConcurrentQueue::threadCount() const
{
    return state_->limit;
}

void ConcurrentQueue::async(Task task)
{
    {
        std::lock_guard lock(state_->mutex);
        state_->tasks.push_back(std::move(task));
        // A worker starts only when every one there is busy: a pool that is
        // seldom used keeps one thread (its stack and its malloc arena), not
        // one per core.
        if (state_->tasks.size() > state_->idle && state_->threads.size() < state_->limit) {
            state_->threads.emplace_back([state = state_.get()] { state->run(); });
        }
    }
    state_->wake.notify_one();
}

void ConcurrentQueue::asyncAll(std::vector<Task>& tasks)
{
    const std::size_t count = tasks.size();
    if (count == 0) {
        return;
    }
    {
        std::lock_guard lock(state_->mutex);
        for (auto& task : tasks) {
            state_->tasks.push_back(std::move(task));
        }
        // As in async(): workers start only for the tasks no sleeping worker will take.
        for (std::size_t started = 0;
             state_->tasks.size() > state_->idle + started && state_->threads.size() < state_->limit;
             ++started) {
            state_->threads.emplace_back([state = state_.get()] { state->run(); });
        }
    }
    tasks.clear();
    // One system call wakes every sleeping worker; one task needs only one.
    if (count == 1) {
        state_->wake.notify_one();
    } else {
        state_->wake.notify_all();
    }
}

bool ConcurrentQueue::isCurrent() const
{
    return currentPool == state_.get();
}

}  // namespace qm
