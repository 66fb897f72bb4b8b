#include "platform/runtime/ConcurrentQueue.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "platform/runtime/ThreadName.h"

namespace qm {
namespace {

TEST(ConcurrentQueueTest, RunsTasksSideBySide)
{
    // Two tasks that each wait for the other can only finish on two threads.
    ConcurrentQueue queue("com.quillmarker.test.pool", 2);
    EXPECT_EQ(queue.threadCount(), 2u);
    std::mutex mutex;
    std::condition_variable changed;
    int arrived = 0;
    int finished = 0;
    for (int i = 0; i < 2; ++i) {
        queue.async([&] {
            std::unique_lock lock(mutex);
            ++arrived;
            changed.notify_all();
            if (changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrived == 2; })) {
                ++finished;
                changed.notify_all();
            }
        });
    }
    std::unique_lock lock(mutex);
    EXPECT_TRUE(changed.wait_for(lock, std::chrono::seconds(20), [&] { return finished == 2; }));
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
