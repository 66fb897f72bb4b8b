#include "platform/runtime/Timer.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runtime/AliveToken.h"
#include "platform/sim/runtime/SimMainLoop.h"

namespace qm {
namespace {

class TimerTest : public ::testing::Test {
protected:
    SimClock clock{0.0};
    SimMainLoop loop{clock};
    std::vector<double> fired;

    Timer::Block recordFiring()
    {
        return [this] { fired.push_back(clock.now()); };
    }
};

struct FiringCase {
    double interval;
    bool repeats;
    std::vector<double> advances;
    std::vector<double> expected;
};

class TimerFiring : public TimerTest, public ::testing::WithParamInterface<FiringCase> {};

TEST_P(TimerFiring, FiresAtEachIntervalThatTimePasses)
{
    const auto& c = GetParam();
    Timer timer = Timer::scheduledTimer(loop, c.interval, c.repeats, recordFiring());
    for (double step : c.advances) {
        loop.advance(step);
    }
    ASSERT_EQ(fired.size(), c.expected.size());
    for (std::size_t i = 0; i < fired.size(); ++i) {
        EXPECT_DOUBLE_EQ(fired[i], c.expected[i]) << "firing " << i;
    }
    EXPECT_EQ(timer.isValid(), c.repeats);
}

INSTANTIATE_TEST_SUITE_P(Cases, TimerFiring,
                         ::testing::Values(
                             // one-shot: once, at its interval, never again
                             FiringCase{1.5, false, {1.0, 0.5, 10.0}, {1.5}},
                             // repeating over several intervals in one advance
                             FiringCase{1.0, true, {3.5}, {1.0, 2.0, 3.0}},
                             // repeating across uneven steps keeps its cadence
                             FiringCase{0.5, true, {0.7, 0.7, 0.2}, {0.5, 1.0, 1.5}},
                             FiringCase{2.0, true, {1.0, 1.0, 1.0, 1.0, 0.5}, {2.0, 4.0}},
                             // below the minimum interval the timer still advances time
                             FiringCase{0.0, true, {0.00035}, {0.0001, 0.0002, 0.0003}}));

TEST_F(TimerTest, InvalidateInsideTheBlockStopsARepeatingTimer)
{
    Timer timer;
    int count = 0;
    timer = Timer::scheduledTimer(loop, 1.0, true, [&] {
        if (++count == 3) {
            timer.invalidate();
        }
    });
    loop.advance(10.0);
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(timer.isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(TimerTest, BlockMayDropItsOwnTimer)
{
    // Like clearing a stored hide timer from its own block: the block must
    // survive the Timer that owns it.
    auto holder = std::make_unique<Timer>();
    int count = 0;
    *holder = Timer::scheduledTimer(loop, 1.0, true, [&, probe = std::make_shared<int>(5)] {
        count += *probe;
        holder.reset();
        count += *probe;  // the captures are still alive here
    });
    loop.advance(5.0);
    EXPECT_EQ(count, 10);
    EXPECT_EQ(holder, nullptr);
}

TEST_F(TimerTest, InvalidateBeforeFiringAndReassignmentStopTheOldTimer)
{
    Timer a = Timer::scheduledTimer(loop, 1.0, false, recordFiring());
    a.invalidate();
    EXPECT_FALSE(a.isValid());

    Timer b = Timer::scheduledTimer(loop, 1.0, true, [&] { fired.push_back(-1); });
    b = Timer::scheduledTimer(loop, 2.0, false, recordFiring());  // replaces and stops the repeating one

    Timer moved = std::move(b);
    EXPECT_TRUE(moved.isValid());
    EXPECT_DOUBLE_EQ(moved.interval(), 2.0);
    EXPECT_FALSE(moved.repeats());

    loop.advance(3.0);
    EXPECT_EQ(fired, std::vector<double>{2.0});
}

// A panel-like owner: its timer and its delayed blocks must never touch it once it is gone.
class FadingPanel {
public:
    FadingPanel(MainLoop& loop, int& touches) : touches_(touches)
    {
        fadeTimer_ = Timer::scheduledTimer(loop, 1.5, true, [this] { ++touches_; });
        loop.postAfter(2.0, alive_.guard([this] { ++touches_; }));
    }

private:
    int& touches_;
    Timer fadeTimer_;
    AliveToken alive_;
};

TEST_F(TimerTest, TimerAndGuardedBlocksOfADestroyedOwnerNeverFire)
{
    int touches = 0;
    auto panel = std::make_unique<FadingPanel>(loop, touches);
    loop.advance(1.6);
    EXPECT_EQ(touches, 1);  // the timer, while the panel lives

    panel.reset();
    loop.advance(10.0);
    EXPECT_EQ(touches, 1);
}

TEST(AliveTokenTest, WatchFollowsTheOwnerAndCopiesGetTheirOwnLife)
{
    AliveToken::Watch watch;
    EXPECT_FALSE(watch.isAlive());
    auto original = std::make_unique<AliveToken>();
    watch = original->watch();
    auto copy = std::make_unique<AliveToken>(*original);
    const auto copyWatch = copy->watch();
    EXPECT_TRUE(watch);

    original.reset();
    EXPECT_FALSE(watch.isAlive());
    EXPECT_TRUE(copyWatch.isAlive());

    int calls = 0;
    auto guarded = copy->guard([&](int by) { calls += by; });
    guarded(2);
    copy.reset();
    guarded(5);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace qm
