#include "platform/linux/runtime/QtMainLoop.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "support/QtTestApplication.h"

namespace qm {
namespace {

using namespace std::chrono_literals;

class QtMainLoopTest : public ::testing::Test {
protected:
    MainLoop::Task record(std::string name)
    {
        return [this, name] { log.push_back(name); };
    }

    QApplication& application = test::qtApplication();
    std::unique_ptr<QtMainLoop> loop = std::make_unique<QtMainLoop>();
    std::vector<std::string> log;
};

// The manual loop's ordering rules, in real time: each step posts (delay < 0)
// or schedules, and the loop runs until `expected` is complete.
struct OrderingCase {
    const char* title;
    std::vector<std::pair<std::string, double>> schedule;
    std::vector<std::string> expected;
};

class QtMainLoopOrdering : public QtMainLoopTest, public ::testing::WithParamInterface<OrderingCase> {};

TEST_P(QtMainLoopOrdering, KeepsTheManualLoopsOrder)
{
    for (const auto& [name, delay] : GetParam().schedule) {
        if (delay < 0) {
            loop->post(record(name));
        } else {
            loop->postAfter(delay, record(name));
        }
    }
    EXPECT_TRUE(test::pumpQtUntil([&] { return log.size() >= GetParam().expected.size(); }));
    test::pumpQtFor(20ms);
    EXPECT_EQ(log, GetParam().expected) << GetParam().title;
}

INSTANTIATE_TEST_SUITE_P(Cases, QtMainLoopOrdering,
                         ::testing::Values(OrderingCase{"posts keep their order",
                                                        {{"a", -1}, {"b", -1}, {"c", -1}},
                                                        {"a", "b", "c"}},
                                           OrderingCase{"delays run by due time",
                                                        {{"late", 0.09}, {"early", 0.01}, {"mid", 0.05}},
                                                        {"early", "mid", "late"}},
                                           OrderingCase{"equal delays keep scheduling order",
                                                        {{"x", 0.02}, {"y", 0.02}, {"z", 0.02}},
                                                        {"x", "y", "z"}},
                                           OrderingCase{"posts run before delayed tasks, even zero delays",
                                                        {{"zero", 0.0}, {"posted", -1}},
                                                        {"posted", "zero"}}),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(QtMainLoopTest, DelayedTaskWaitsItsTime)
{
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point ranAt;
    loop->postAfter(0.05, [&] { ranAt = std::chrono::steady_clock::now(); });
    test::pumpQtFor(20ms);
    EXPECT_EQ(ranAt, std::chrono::steady_clock::time_point());
    EXPECT_EQ(loop->pendingCount(), 1u);
    ASSERT_TRUE(test::pumpQtUntil([&] { return ranAt != std::chrono::steady_clock::time_point(); }));
    EXPECT_GE(ranAt - start, 50ms);
    EXPECT_EQ(loop->pendingCount(), 0u);
}

TEST_F(QtMainLoopTest, TasksPostedWhileRunningRunBeforeLaterDueTimes)
{
    loop->postAfter(0.01, [&] {
        log.push_back("first");
        loop->post([&] { log.push_back("posted-by-first"); });
        loop->postAfter(0.06, [&] { log.push_back("delayed-by-first"); });
    });
    loop->postAfter(0.03, [&] { log.push_back("second"); });
    ASSERT_TRUE(test::pumpQtUntil([&] { return log.size() == 4; }));
    EXPECT_EQ(log, (std::vector<std::string>{"first", "posted-by-first", "second", "delayed-by-first"}));
}

TEST_F(QtMainLoopTest, CancelledTasksNeverRun)
{
    int ran = 0;
    auto cancelled = loop->postAfter(0.01, [&] { ++ran; });
    ScheduledTask second;
    loop->postAfter(0.02, [&] {
        ran += 10;
        second.cancel();  // due at the same moment, later in the queue
    });
    second = loop->postAfter(0.02, [&] { ran += 100; });
    cancelled.cancel();
    EXPECT_EQ(loop->pendingCount(), 2u);
    test::pumpQtFor(80ms);
    EXPECT_EQ(ran, 10);
}

TEST_F(QtMainLoopTest, OtherThreadsPostInOrderAndAreNotTheMainThread)
{
    EXPECT_TRUE(loop->isMainThread());
    constexpr int kThreads = 4;
    constexpr int kPerThread = 300;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> offMain{0};
    std::atomic<int> mainThreadClaims{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            if (loop->isMainThread()) {
                ++mainThreadClaims;
            }
            for (int i = 0; i < kPerThread; ++i) {
                loop->post([&, t, i] {
                    seen[static_cast<std::size_t>(t)].push_back(i);
                    if (!loop->isMainThread()) {
                        ++offMain;
                    }
                });
            }
        });
    }
    const bool all = test::pumpQtUntil([&] {
        std::size_t total = 0;
        for (const auto& one : seen) {
            total += one.size();
        }
        return total == kThreads * kPerThread;
    });
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(all);
    EXPECT_EQ(offMain.load(), 0);
    EXPECT_EQ(mainThreadClaims.load(), 0);
    for (const auto& one : seen) {
        for (int i = 0; i < kPerThread; ++i) {
            ASSERT_EQ(one[static_cast<std::size_t>(i)], i);
        }
    }
}

TEST_F(QtMainLoopTest, ATaskThatKeepsRepostingDoesNotStarveQt)
{
    std::atomic<bool> keepGoing{true};
    std::function<void()> again = [&] {
        if (keepGoing) {
            loop->post(again);
        }
    };
    loop->post(again);
    bool qtTimerFired = false;
    QTimer::singleShot(0, [&] { qtTimerFired = true; });
    EXPECT_TRUE(test::pumpQtUntil([&] { return qtTimerFired; }, 2000ms));
    keepGoing = false;
    test::pumpQtFor(10ms);
}

TEST_F(QtMainLoopTest, TasksLeftWhenTheLoopGoesAreDroppedUnrun)
{
    int ran = 0;
    auto counted = std::make_shared<int>(0);
    loop->post([&ran, counted] { ++ran; });
    loop->postAfter(0.01, [&ran, counted] { ++ran; });
    loop.reset();
    EXPECT_EQ(counted.use_count(), 1);  // the captures were released
    test::pumpQtFor(30ms);
    EXPECT_EQ(ran, 0);
}

TEST(QtMainLoopBuild, RefusesAThreadThatIsNotQts)
{
    test::qtApplication();
    std::thread other([] { EXPECT_THROW(QtMainLoop(), std::logic_error); });
    other.join();
}

}  // namespace
}  // namespace qm
