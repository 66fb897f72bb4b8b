#include "platform/runtime/SerialQueue.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "base/Log.h"
#include "platform/runtime/ThreadName.h"
#include "support/ThreadsNamed.h"

namespace qm {
namespace {

TEST(SerialQueueTest, RunsTasksOneAtATimeInTheOrderEachProducerGaveThem)
{
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 300;
    std::vector<std::pair<int, int>> seen;  // written only on the queue
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    {
        SerialQueue queue("com.quillmarker.test.fifo");
        std::vector<std::thread> producers;
        for (int p = 0; p < kProducers; ++p) {
            producers.emplace_back([&, p] {
                for (int i = 0; i < kPerProducer; ++i) {
                    queue.async([&, p, i] {
                        if (running.fetch_add(1) != 0) {
                            overlapped = true;
                        }
                        seen.emplace_back(p, i);
                        running.fetch_sub(1);
                    });
                }
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
    }  // the destructor drains what is queued
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kProducers * kPerProducer));
    EXPECT_FALSE(overlapped);
    std::vector<int> next(kProducers, 0);
    for (const auto& [producer, index] : seen) {
        ASSERT_EQ(index, next[static_cast<std::size_t>(producer)]++) << "producer " << producer;
    }
}

TEST(SerialQueueTest, SyncWaitsForEarlierTasksAndHandsBackResults)
{
    SerialQueue queue("com.quillmarker.test.sync");
    std::vector<int> values;  // touched only on the queue
    std::vector<std::thread> callers;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                const int value = t * 1000 + i;
                queue.async([&, value] { values.push_back(value); });
                // sync runs after the async above, so it sees it as the last
                // value this thread added.
                const bool found = queue.syncResult([&] {
                    for (auto it = values.rbegin(); it != values.rend(); ++it) {
                        if (*it / 1000 == t) {
                            return *it == value;
                        }
                    }
                    return false;
                });
                if (!found) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(queue.syncResult([&] { return values.size(); }), 400u);
}

TEST(SerialQueueTest, SyncResultMovesMoveOnlyValuesAndRunsOnTheQueue)
{
    SerialQueue queue("com.quillmarker.test.move");
    auto result = queue.syncResult([&] { return std::make_unique<bool>(queue.isCurrent()); });
    ASSERT_TRUE(result);
    EXPECT_TRUE(*result);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueueTest, SyncRethrowsWhatTheTaskThrewAndKeepsWorking)
{
    SerialQueue queue("com.quillmarker.test.throw");
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_EQ(queue.syncResult([] { return 7; }), 7);
}

TEST(SerialQueueTest, ThreadCarriesTheLabelWithoutTheBundlePrefix)
{
    struct Case {
        const char* label;
        const char* expected;
    };
    const Case cases[] = {
        {"com.quillmarker.app.tapQueue", "tapQueue"},
        {"com.quillmarker.app.EventTapThread", "EventTapThread"},
        {"com.quillmarker.capture-transition", "capture-transit"},
        {"com.quillmarker.databaseQueue", "databaseQueue"},
        {"worker", "worker"},
        {"com.quillmarker.", "com.quillmarker"},
        {"aaaaaaaaaaaaaa\xC3\xA9z", "aaaaaaaaaaaaaa"},  // never splits "é"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ThreadName::forLabel(c.label), c.expected) << c.label;
    }
    SerialQueue queue("com.quillmarker.app.tapQueue");
    EXPECT_EQ(queue.label(), "com.quillmarker.app.tapQueue");
    EXPECT_EQ(queue.syncResult([] { return ThreadName::current(); }), "tapQueue");
}

TEST(SerialQueueTest, DestructorRunsEverythingQueuedIncludingWhatTasksQueue)
{
    std::vector<int> order;
    {
        SerialQueue queue("com.quillmarker.test.drain");
        std::promise<void> release;
        auto gate = release.get_future().share();
        queue.async([gate] { gate.wait(); });
        for (int i = 0; i < 5; ++i) {
            queue.async([&, i] {
                order.push_back(i);
                if (i == 4) {
                    queue.async([&] { order.push_back(99); });
                }
            });
        }
        release.set_value();
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 99}));
}

TEST(SerialQueueTest, MayBeDestroyedByItsOwnTask)
{
    auto queue = std::make_unique<SerialQueue>("com.quillmarker.test.self");
    std::promise<void> done;
    auto finished = done.get_future();
    std::promise<void> release;
    auto gate = release.get_future().share();
    queue->async([gate] { gate.wait(); });
    queue->async([&queue] { queue.reset(); });
    queue->async([&done] { done.set_value(); });  // queued before the destruction: still runs
    release.set_value();
    EXPECT_EQ(finished.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

// Work handed to a queue's feed without a wake: a list the test fills under
// its own lock, as a producer that must not pay for waking the queue would.
class FedList {
public:
    void handOver(int value)
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(value);
    }

    // The feed: takes what was handed over; answers `expectMore`.
    bool drain()
    {
        std::lock_guard lock(mutex_);
        ++drains_;
        taken_.insert(taken_.end(), pending_.begin(), pending_.end());
        pending_.clear();
        return expectMore_;
    }

    // What was handed over so far, as a task that takes it.
    SerialQueue::Task takeHandedOver()
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) {
            return {};
        }
        return [this, handedOver = std::exchange(pending_, {})] {
            std::lock_guard lock(mutex_);
            taken_.insert(taken_.end(), handedOver.begin(), handedOver.end());
        };
    }

    void setFeedOf(SerialQueue& queue, std::chrono::microseconds interval)
    {
        queue.setFeed([this] { return drain(); }, [this] { return takeHandedOver(); }, interval);
    }

    void setExpectMore(bool expectMore)
    {
        std::lock_guard lock(mutex_);
        expectMore_ = expectMore;
    }
    std::vector<int> taken() const
    {
        std::lock_guard lock(mutex_);
        return taken_;
    }
    int drains() const
    {
        std::lock_guard lock(mutex_);
        return drains_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> pending_;
    std::vector<int> taken_;
    int drains_ = 0;
    bool expectMore_ = true;
};

bool waitUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Fed work keeps its place among the tasks: a task queued after work was
// handed over sees it, one queued before does not (even when the work comes
// while the task waits behind another), whether the queue polls or sleeps.
TEST(SerialQueueFeedTest, FedWorkAndTasksKeepOneOrder)
{
    for (const bool expectMore : {true, false}) {
        SCOPED_TRACE(expectMore ? "polling" : "asleep");
        FedList list;
        list.setExpectMore(expectMore);
        SerialQueue queue("com.quillmarker.test.feed");
        list.setFeedOf(queue, std::chrono::milliseconds(1));
        std::vector<std::vector<int>> seenByTasks;  // written only on the queue
        std::promise<void> release;
        queue.async([held = release.get_future().share()] { held.wait(); });
        for (int i = 0; i < 20; ++i) {
            queue.async([&] { seenByTasks.push_back(list.taken()); });
            list.handOver(i);
        }
        release.set_value();
        queue.sync([] {});
        ASSERT_EQ(seenByTasks.size(), 20u);
        for (std::size_t i = 0; i < seenByTasks.size(); ++i) {
            EXPECT_EQ(seenByTasks[i].size(), i) << "task " << i;
        }
        std::vector<int> all(20);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(list.taken(), all);
    }
}

// While the feed expects more, the queue takes what is handed over with no
// task and no wake; once it expects none, the queue sleeps (an idle program
// must not keep waking) until woken.
TEST(SerialQueueFeedTest, PollsOnlyWhileMoreIsExpected)
{
    FedList list;
    SerialQueue queue("com.quillmarker.test.feed");
    list.setFeedOf(queue, std::chrono::milliseconds(2));
    queue.wakeFeed();
    list.handOver(1);
    ASSERT_TRUE(waitUntil([&] { return list.taken() == std::vector<int>{1}; }))
        << "handed over while polling, taken without a wake";

    list.setExpectMore(false);
    const int drainsPolling = list.drains();
    ASSERT_TRUE(waitUntil([&] { return list.drains() > drainsPolling; }));
    // The last look answered false: asleep from here, tasks or not.
    queue.sync([] {});
    const int drainsAsleep = list.drains();
    list.handOver(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(list.drains(), drainsAsleep) << "an asleep queue looked at its feed";
    EXPECT_EQ(list.taken(), std::vector<int>{1});

    queue.wakeFeed();
    EXPECT_TRUE(waitUntil([&] { return list.taken() == std::vector<int>{1, 2}; }));
}

// What was handed over to a sleeping queue and never woken for is still
// taken when the queue goes, also by a queue whose thread never started.
TEST(SerialQueueFeedTest, DestructionTakesWhatWasHandedOverLast)
{
    for (const bool ranATask : {true, false}) {
        SCOPED_TRACE(ranATask ? "after a task" : "never ran");
        FedList list;
        list.setExpectMore(false);
        {
            SerialQueue queue("com.quillmarker.test.feed");
            list.setFeedOf(queue, std::chrono::milliseconds(50));
            if (ranATask) {
                queue.sync([] {});
            }
            list.handOver(7);
        }
        EXPECT_EQ(list.taken(), std::vector<int>{7});
    }
}

#ifndef NDEBUG
TEST(SerialQueueDeathTest, SyncOntoItsOwnQueueAbortsInDebugBuilds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            SerialQueue queue("com.quillmarker.test.deadlock");
            queue.sync([&] { queue.sync([] {}); });
        },
        "sync called from its own queue");
}
#else
TEST(SerialQueueTest, SyncOntoItsOwnQueueRunsInlineAndLogsInReleaseBuilds)
{
    Log::Capture capture;
    SerialQueue queue("com.quillmarker.test.deadlock");
    std::vector<int> order;
    queue.sync([&] {
        queue.async([&] { order.push_back(2); });
        queue.sync([&] { order.push_back(1); });
    });
    queue.sync([] {});
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_TRUE(
        capture.contains("❌ SerialQueue com.quillmarker.test.deadlock: sync called from its own queue"));
}
#endif

// A queue nobody uses costs no thread; the first task starts the one it runs on.
TEST(SerialQueueTest, StartsItsThreadWithTheFirstTask)
{
    const std::string label = "com.quillmarker.test.lazySerial";
    const std::string name = ThreadName::forLabel(label);
    {
        SerialQueue unused(label);
        EXPECT_EQ(test::threadsNamed(name), 0u);
    }
    SerialQueue queue(label);
    EXPECT_EQ(test::threadsNamed(name), 0u);
    EXPECT_FALSE(queue.isCurrent());
    EXPECT_TRUE(queue.syncResult([&queue] { return queue.isCurrent(); }));
    queue.sync([] {});
    EXPECT_EQ(test::threadsNamed(name), 1u);
}

}  // namespace
}  // namespace qm
