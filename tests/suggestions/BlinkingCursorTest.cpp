#include "suggestions/BlinkingCursor.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(BlinkingCursor, FadesOutAndBackInEveryPointFiftyFiveSeconds)
{
    struct Case {
        double elapsed;
        double opacity;
    };
    for (const Case c : {Case{0, 1}, Case{0.275, 0.5}, Case{0.55, 0}, Case{0.825, 0.5}, Case{1.1, 1},
                         Case{1.65, 0}, Case{55.0, 1}, Case{-1, 1}}) {
        EXPECT_NEAR(BlinkingCursor::opacity(c.elapsed), c.opacity, 1e-9) << c.elapsed;
    }
    // Ease-in-out: slow at the ends, fast in the middle of each half.
    const double early = 1 - BlinkingCursor::opacity(0.05);
    const double middle = BlinkingCursor::opacity(0.25) - BlinkingCursor::opacity(0.30);
    EXPECT_LT(early, middle);
    for (int step = 0; step < 55; ++step) {
        EXPECT_GE(BlinkingCursor::opacity(step * 0.01), BlinkingCursor::opacity((step + 1) * 0.01)) << step;
    }
}

}  // namespace
}  // namespace qm
