#include "platform/runtime/ConcurrentQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/ThreadName.h"

namespace qm {
namespace {

// Tasks that each wait for all the others can only finish when every one of
// them has a thread: queued one by one or as a batch, each must wake a worker.
TEST(ConcurrentQueueTest, RunsTasksSideBySideQueuedAloneOrAsABatch)
{
    for (const bool batch : {false, true}) {
        constexpr int kTasks = 3;
        ConcurrentQueue queue("com.quillmarker.test.pool", kTasks);
        EXPECT_EQ(queue.threadCount(), static_cast<unsigned>(kTasks));
        std::mutex mutex;
        std::condition_variable changed;
        int arrived = 0;
        int finished = 0;
        std::vector<ConcurrentQueue::Task> tasks;
        for (int i = 0; i < kTasks; ++i) {
            tasks.emplace_back([&] {
                std::unique_lock lock(mutex);
                ++arrived;
                changed.notify_all();
                if (changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrived == kTasks; })) {
                    ++finished;
                    changed.notify_all();
                }
            });
        }
        // Every worker asleep first, so that each task has to wake one.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (batch) {
            queue.asyncAll(tasks);
            EXPECT_TRUE(tasks.empty());
        } else {
            for (auto& task : tasks) {
                queue.async(std::move(task));
            }
        }
        std::unique_lock lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return finished == kTasks; }))
            << (batch ? "batch" : "one by one");
    }
}

TEST(ConcurrentQueueTest, DestructorRunsEveryQueuedTask)
{
    std::atomic<int> ran{0};
    std::atomic<int> onPool{0};
    {
        ConcurrentQueue queue("com.quillmarker.test.drain", 3);
        for (int i = 0; i < 1000; ++i) {
            queue.async([&] {
                ++ran;
                if (queue.isCurrent()) {
                    ++onPool;
                }
            });
        }
        EXPECT_FALSE(queue.isCurrent());
    }
    EXPECT_EQ(ran.load(), 1000);
    EXPECT_EQ(onPool.load(), 1000);
}

TEST(ConcurrentQueueTest, DefaultPoolHasAtLeastTwoThreadsNamedAfterTheLabel)
{
    ConcurrentQueue shared("com.quillmarker.app.background");
    EXPECT_GE(shared.threadCount(), 2u);
    std::mutex mutex;
    std::condition_variable done;
    std::string name;
    bool finished = false;
    shared.async([&] {
        std::lock_guard lock(mutex);
        name = ThreadName::current();
        finished = true;
        done.notify_all();
    });
    std::unique_lock lock(mutex);
    ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(10), [&] { return finished; }));
    EXPECT_EQ(name, "background");
}

}  // namespace
}  // namespace qm
