#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/InlineMutex.h"

namespace qm {
namespace {

// Threads that outnumber the cores and hold the lock across a yield, so some
// go to sleep on it and every unlock has to wake the right number of them: a
// lost wake-up hangs the test, a broken exclusion loses increments.
TEST(InlineMutexTest, ExcludesAndWakesEveryWaiterUnderContention)
{
    InlineMutex mutex;
    long counter = 0;  // deliberately not atomic
    constexpr int threads = 8;
    constexpr int rounds = 4000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round) {
                std::lock_guard lock(mutex);
                const long seen = counter;
                if ((round + t) % 64 == 0) {
                    std::this_thread::yield();
                }
                counter = seen + 1;
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(counter, static_cast<long>(threads) * rounds);
}

TEST(InlineMutexTest, WaiterSleepsUntilTheHolderUnlocks)
{
    InlineMutex mutex;
    mutex.lock();
    EXPECT_FALSE(mutex.try_lock());
    std::atomic<bool> acquired{false};
    std::thread waiter([&] {
        std::lock_guard lock(mutex);
        acquired = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(acquired.load());
    mutex.unlock();
    waiter.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_TRUE(mutex.try_lock());
    mutex.unlock();
}

}  // namespace
}  // namespace qm
