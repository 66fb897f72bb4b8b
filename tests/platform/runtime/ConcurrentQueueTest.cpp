#include "platform/runtime/ConcurrentQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/ThreadName.h"
#include "support/ThreadsNamed.h"

namespace qm {
namespace {

using test::threadsNamed;

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

// An idle pool holds no thread; tasks that come one at a time, with a pause
// between them as a seldom-used pool sees them, need one worker (a second at
// most, should a task come while the first is still finishing the last); a
// burst starts workers up to the pool's size and no further.
TEST(ConcurrentQueueTest, StartsThreadsOnlyAsTasksNeedThem)
{
    const std::string label = "com.quillmarker.test.lazyPool";
    const std::string name = ThreadName::forLabel(label);
    std::promise<void> release;
    const auto gate = release.get_future().share();
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    ConcurrentQueue queue(label, 3);
    EXPECT_EQ(threadsNamed(name), 0u);

    for (int i = 0; i < 20; ++i) {
        std::promise<void> ran;
        queue.async([&ran] { ran.set_value(); });
        ASSERT_EQ(ran.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(threadsNamed(name), 1u);
    EXPECT_LE(threadsNamed(name), 2u);

    for (int i = 0; i < 5; ++i) {
        queue.async([&, gate] {
            {
                std::lock_guard lock(mutex);
                ++running;
                changed.notify_all();
            }
            gate.wait();
        });
    }
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return running == 3; }));
    EXPECT_EQ(threadsNamed(name), 3u);
    release.set_value();
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return running == 5; }));
    EXPECT_EQ(threadsNamed(name), 3u);
}

// Tasks that a running task queues while the pool is being destroyed still
// run, on workers started for them if need be, and every worker is joined.
TEST(ConcurrentQueueTest, DestructionRunsTasksQueuedByRunningTasks)
{
    std::atomic<int> ran{0};
    std::promise<void> release;
    const auto gate = release.get_future().share();
    std::thread opener;
    {
        ConcurrentQueue queue("com.quillmarker.test.spawnLate", 4);
        queue.async([&, gate] {
            gate.wait();
            for (int i = 0; i < 50; ++i) {
                queue.async([&] {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    ++ran;
                });
            }
        });
        // Opened once the destruction below has begun.
        opener = std::thread([&release] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            release.set_value();
        });
    }
    opener.join();
    EXPECT_EQ(ran.load(), 50);
}

}  // namespace
}  // namespace qm
