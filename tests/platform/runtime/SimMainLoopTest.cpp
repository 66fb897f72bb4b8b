#include "platform/sim/runtime/SimMainLoop.h"

#include <atomic>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace qm {
namespace {

class SimMainLoopTest : public ::testing::Test {
protected:
    SimClock clock{1000.0};
    SimMainLoop loop{clock};
    std::vector<std::string> log;

    MainLoop::Task record(std::string name)
    {
        return
            [this, name] { log.push_back(name + "@" + std::to_string(static_cast<int>(clock.now() * 10))); };
    }
};

// Each step schedules (delay < 0 means post) and the expected trace after advancing.
struct OrderingCase {
    const char* title;
    std::vector<std::pair<std::string, double>> schedule;
    double advanceBy;
    std::vector<std::string> expected;  // name@(time*10)
};

class SimMainLoopOrdering : public SimMainLoopTest, public ::testing::WithParamInterface<OrderingCase> {};

TEST_P(SimMainLoopOrdering, RunsInDueOrderThenFifo)
{
    for (const auto& [name, delay] : GetParam().schedule) {
        if (delay < 0) {
            loop.post(record(name));
        } else {
            loop.postAfter(delay, record(name));
        }
    }
    loop.advance(GetParam().advanceBy);
    EXPECT_EQ(log, GetParam().expected);
    EXPECT_DOUBLE_EQ(clock.now(), 1000.0 + GetParam().advanceBy);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimMainLoopOrdering,
                         ::testing::Values(OrderingCase{"posts keep their order",
                                                        {{"a", -1}, {"b", -1}, {"c", -1}},
                                                        0,
                                                        {"a@10000", "b@10000", "c@10000"}},
                                           OrderingCase{"delays run by due time with the clock at that time",
                                                        {{"late", 2.0}, {"early", 0.5}, {"mid", 1.0}},
                                                        3.0,
                                                        {"early@10005", "mid@10010", "late@10020"}},
                                           OrderingCase{"equal due times keep scheduling order",
                                                        {{"x", 1.0}, {"y", 1.0}, {"z", 1.0}},
                                                        1.0,
                                                        {"x@10010", "y@10010", "z@10010"}},
                                           OrderingCase{"posts run before delayed tasks, even zero delays",
                                                        {{"zero", 0.0}, {"posted", -1}},
                                                        0,
                                                        {"posted@10000", "zero@10000"}},
                                           OrderingCase{"tasks beyond the target stay queued",
                                                        {{"soon", 1.0}, {"later", 5.0}},
                                                        2.0,
                                                        {"soon@10010"}}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(SimMainLoopTest, TasksPostedWhileRunningRunBeforeLaterDueTimes)
{
    loop.postAfter(1.0, [&] {
        log.push_back("first");
        loop.post([&] { log.push_back("posted-by-first"); });
        loop.postAfter(0.5, [&] { log.push_back("delayed-by-first"); });
    });
    loop.postAfter(1.2, [&] { log.push_back("second"); });

    loop.advance(2.0);

    EXPECT_EQ(log, (std::vector<std::string>{"first", "posted-by-first", "second", "delayed-by-first"}));
}

TEST_F(SimMainLoopTest, RunUntilIdleRunsOnlyWhatIsDueNow)
{
    loop.postAfter(0.1, [&] { log.push_back("delayed"); });
    loop.post([&] {
        log.push_back("a");
        loop.post([&] { log.push_back("b"); });
    });
    EXPECT_EQ(loop.runUntilIdle(), 2u);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    EXPECT_DOUBLE_EQ(clock.now(), 1000.0);
    EXPECT_EQ(loop.pendingCount(), 1u);
    ASSERT_TRUE(loop.nextDueTime().has_value());
    EXPECT_DOUBLE_EQ(*loop.nextDueTime(), 1000.1);

    clock.advance(0.1);
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_EQ(log.back(), "delayed");
}

TEST_F(SimMainLoopTest, NegativeDelayIsDueAtOnce)
{
    loop.postAfter(-5.0, record("neg"));
    EXPECT_EQ(loop.runUntilIdle(), 1u);
    EXPECT_EQ(log, std::vector<std::string>{"neg@10000"});
}

TEST_F(SimMainLoopTest, CancelledTasksNeverRunAndDoNotCount)
{
    int ran = 0;
    auto cancelled = loop.postAfter(1.0, [&] { ++ran; });
    auto kept = loop.postAfter(1.0, [&] { ran += 10; });
    EXPECT_TRUE(cancelled.isValid());
    cancelled.cancel();
    EXPECT_TRUE(cancelled.isCancelled());
    EXPECT_EQ(loop.pendingCount(), 1u);

    EXPECT_EQ(loop.advance(5.0), 1u);
    EXPECT_EQ(ran, 10);
}

TEST_F(SimMainLoopTest, TaskCancelledByAnEarlierTaskAtTheSameTimeNeverRuns)
{
    ScheduledTask second;
    loop.postAfter(1.0, [&] {
        log.push_back("first");
        second.cancel();
    });
    second = loop.postAfter(1.0, [&] { log.push_back("second"); });
    loop.advance(1.0);
    EXPECT_EQ(log, std::vector<std::string>{"first"});
}

TEST_F(SimMainLoopTest, DroppedTaskMayPostFromItsDestructor)
{
    // A cancelled task's captures are released outside the loop's lock.
    struct PostsWhenDestroyed {
        PostsWhenDestroyed(SimMainLoop& loop, std::vector<std::string>& log) : loop(loop), log(log) {}
        PostsWhenDestroyed(const PostsWhenDestroyed&) = delete;
        ~PostsWhenDestroyed()
        {
            loop.post([&log = log] { log.push_back("from destructor"); });
        }
        SimMainLoop& loop;
        std::vector<std::string>& log;
    };
    auto token = std::make_shared<PostsWhenDestroyed>(loop, log);
    auto task = loop.postAfter(1.0, [token] {});
    token.reset();
    task.cancel();
    loop.advance(2.0);
    loop.runUntilIdle();
    EXPECT_EQ(log, std::vector<std::string>{"from destructor"});
}

TEST_F(SimMainLoopTest, MainThreadIsTheThreadThatPumps)
{
    EXPECT_TRUE(loop.isMainThread());
    bool onMain = false;
    loop.post([&] { onMain = loop.isMainThread(); });

    std::thread other([&] {
        EXPECT_FALSE(loop.isMainThread());
        loop.runUntilIdle();
        EXPECT_TRUE(loop.isMainThread());
    });
    other.join();
    EXPECT_TRUE(onMain);
    EXPECT_FALSE(loop.isMainThread());
    loop.runUntilIdle();
    EXPECT_TRUE(loop.isMainThread());
}

TEST_F(SimMainLoopTest, RunUntilPumpsTasksThatOtherThreadsPost)
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    int received = 0;  // touched only on the main thread
    std::atomic<int> offMain{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&] {
            for (int i = 0; i < kPerThread; ++i) {
                loop.post([&] {
                    ++received;
                    if (!loop.isMainThread()) {
                        ++offMain;
                    }
                });
            }
        });
    }
    EXPECT_TRUE(loop.runUntil([&] { return received == kThreads * kPerThread; }, 10.0));
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_EQ(offMain.load(), 0);
}

TEST_F(SimMainLoopTest, PostsFromOneThreadKeepTheirOrder)
{
    std::vector<int> seen;
    std::thread poster([&] {
        for (int i = 0; i < 500; ++i) {
            loop.post([&seen, i] { seen.push_back(i); });
        }
    });
    EXPECT_TRUE(loop.runUntil([&] { return seen.size() == 500; }, 10.0));
    poster.join();
    for (int i = 0; i < 500; ++i) {
        ASSERT_EQ(seen[static_cast<std::size_t>(i)], i);
    }
}

TEST_F(SimMainLoopTest, RunUntilGivesUpAfterTheRealTimeout)
{
    loop.postAfter(1.0, [] {});  // virtual time does not move, so this never becomes due
    EXPECT_FALSE(loop.runUntil([] { return false; }, 0.05));
    EXPECT_DOUBLE_EQ(clock.now(), 1000.0);
}

TEST(SimClockTest, SetAndAdvance)
{
    SimClock clock;
    EXPECT_DOUBLE_EQ(clock.now(), SimClock::kDefaultStart);
    clock.set(42.5);
    EXPECT_DOUBLE_EQ(clock.now(), 42.5);
    clock.advance(0.25);
    EXPECT_DOUBLE_EQ(clock.now(), 42.75);
}

TEST(SystemClockTest, CountsSecondsSince1970)
{
    const double before = static_cast<double>(std::time(nullptr));
    const double now = Clock::system().now();
    const double after = static_cast<double>(std::time(nullptr));
    EXPECT_GE(now, before - 1.0);
    EXPECT_LE(now, after + 1.0);
    EXPECT_EQ(&Clock::system(), &Clock::system());
}

}  // namespace
}  // namespace qm
