#include "platform/runtime/SerialQueue.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
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
