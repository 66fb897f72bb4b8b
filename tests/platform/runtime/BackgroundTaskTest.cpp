#include "platform/runtime/BackgroundTask.h"

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

class BackgroundTaskTest : public ::testing::Test {
protected:
    SimClock clock;
    SimMainLoop loop{clock};
    ConcurrentQueue queue{"com.quillmarker.test.background", 2};
};

TEST_F(BackgroundTaskTest, WorkRunsOffTheMainThreadAndReportsOnIt)
{
    std::thread::id workThread;
    std::optional<std::string> result;
    bool reportedOnMain = false;
    BackgroundTask::run(
        queue, loop,
        [&](const CancellationToken& token) {
            workThread = std::this_thread::get_id();
            return std::string(token.isCancelled() ? "cancelled" : "done");
        },
        [&](std::string value) {
            reportedOnMain = loop.isMainThread();
            result = std::move(value);
        });
    ASSERT_TRUE(loop.runUntil([&] { return result.has_value(); }, 10.0));
    EXPECT_EQ(*result, "done");
    EXPECT_TRUE(reportedOnMain);
    EXPECT_NE(workThread, std::this_thread::get_id());
}

TEST_F(BackgroundTaskTest, MoveOnlyResultsAndVoidWorkReport)
{
    std::unique_ptr<int> moved;
    bool voidReported = false;
    BackgroundTask::run(
        queue, loop, [](const CancellationToken&) { return std::make_unique<int>(41); },
        [&](std::unique_ptr<int> value) { moved = std::move(value); });
    BackgroundTask::run(
        queue, loop, [](const CancellationToken&) {}, [&] { voidReported = true; });
    ASSERT_TRUE(loop.runUntil([&] { return moved && voidReported; }, 10.0));
    EXPECT_EQ(*moved, 41);
}

TEST_F(BackgroundTaskTest, CancelledWhileWorkingNeverReports)
{
    // Both orders of cancelling against the work finishing: before the work
    // returns, and after its report is already queued on the main loop.
    for (bool cancelAfterWorkFinished : {false, true}) {
        std::promise<void> started;
        std::promise<void> release;
        auto gate = release.get_future().share();
        std::atomic<bool> finished{false};
        std::atomic<bool> sawCancel{false};
        bool reported = false;
        auto token = BackgroundTask::run(
            queue, loop,
            [&, gate](const CancellationToken& t) {
                started.set_value();
                gate.wait();
                sawCancel = t.isCancelled();
                finished = true;
                return 1;
            },
            [&](int) { reported = true; });
        started.get_future().wait();
        if (cancelAfterWorkFinished) {
            release.set_value();
            while (!finished) {
                std::this_thread::yield();
            }
            token.cancel();
        } else {
            token.cancel();
            release.set_value();
        }
        // Give any report every chance to arrive.
        loop.runUntil([&] { return reported; }, 0.2);
        EXPECT_FALSE(reported) << "cancelAfterWorkFinished " << cancelAfterWorkFinished;
        EXPECT_EQ(sawCancel.load(), !cancelAfterWorkFinished);
    }
}

TEST_F(BackgroundTaskTest, CancelledBeforeStartingSkipsTheWork)
{
    CancellationToken token;
    token.cancel();
    std::atomic<bool> worked{false};
    bool reported = false;
    auto returned = BackgroundTask::run(
        queue, loop, [&](const CancellationToken&) { worked = true; }, [&] { reported = true; }, token);
    EXPECT_EQ(returned, token);
    // A later task on the same pool shows that the first one was taken off the queue.
    std::atomic<int> later{0};
    for (int i = 0; i < 2; ++i) {
        BackgroundTask::run(
            queue, loop, [](const CancellationToken&) {}, [&] { ++later; });
    }
    ASSERT_TRUE(loop.runUntil([&] { return later == 2; }, 10.0));
    EXPECT_FALSE(worked);
    EXPECT_FALSE(reported);
}

}  // namespace
}  // namespace qm
