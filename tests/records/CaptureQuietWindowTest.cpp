#include "records/CaptureQuietWindow.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/runtime/SimClock.h"

namespace qm {
namespace {

constexpr double kStart = SimClock::kDefaultStart;

TEST(CaptureQuietWindowTest, OpenUntilTwentySecondsAfterTheLatestLanding)
{
    struct Case {
        const char* what;
        std::vector<double> landings;  // seconds after the start
        double at;
        bool active;
    };
    const Case cases[] = {
        {"closed at launch", {}, 0, false},
        {"right after a landing", {0}, 0, true},
        {"19 s after", {0}, 19, true},
        {"just before the end", {0}, 19.75, true},
        {"at exactly the end", {0}, 20, false},
        {"21 s after", {0}, 21, false},
        {"second landing 15 s later keeps it open", {0, 15}, 34.75, true},
        {"second landing 15 s later closes it 20 s after", {0, 15}, 35, false},
        {"a landing after the window closed opens it again", {0, 30}, 40, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimClock clock;
        CaptureQuietWindow window(clock);
        for (const double landing : c.landings) {
            clock.set(kStart + landing);
            window.begin();
        }
        clock.set(kStart + c.at);
        EXPECT_EQ(window.isActive(), c.active);
    }
}

}  // namespace
}  // namespace qm
