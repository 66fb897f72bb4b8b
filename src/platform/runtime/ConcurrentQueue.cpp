#include "platform/runtime/ConcurrentQueue.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/ThreadName.h"

namespace qm {

struct ConcurrentQueue::State {
    std::string label;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Task> tasks;
    bool stopping = false;
    std::vector<std::thread> threads;
    std::vector<std::thread::id> threadIds;

    void run()
    {
        ThreadName::setCurrent(label);
        for (;;) {
            Task task;
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

ConcurrentQueue::ConcurrentQueue(std::string label, unsigned threads) : state_(std::make_unique<State>())
{
    state_->label = std::move(label);
    const unsigned count = threads > 0 ? threads : std::max(2u, std::thread::hardware_concurrency());
    // Ids are recorded under the lock the workers take first, so isCurrent()
    // sees them from any task.
    std::lock_guard lock(state_->mutex);
    for (unsigned i = 0; i < count; ++i) {
        state_->threads.emplace_back([state = state_.get()] { state->run(); });
        state_->threadIds.push_back(state_->threads.back().get_id());
    }
}

ConcurrentQueue::~ConcurrentQueue()
{
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_all();
    for (auto& thread : state_->threads) {
        thread.join();
    }
}

const std::string& ConcurrentQueue::label() const
{
    return state_->label;
}

unsigned ConcurrentQueue::threadCount() const
{
    return static_cast<unsigned>(state_->threads.size());
}

void ConcurrentQueue::async(Task task)
{
    {
        std::lock_guard lock(state_->mutex);
        state_->tasks.push_back(std::move(task));
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
    const auto self = std::this_thread::get_id();
    return std::find(state_->threadIds.begin(), state_->threadIds.end(), self) != state_->threadIds.end();
}

}  // namespace qm
