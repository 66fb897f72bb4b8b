#pragma once

namespace qm {

// The caret after the AI prompt's instruction: a violet bar 2 wide and 14
// high that fades out over 0.55 s and back in over 0.55 s, ease-in-out, for as
// long as it is on screen.
class BlinkingCursor {
public:
    static constexpr double halfPeriod = 0.55;
    static constexpr double width = 2;
    static constexpr double height = 14;

    BlinkingCursor() = delete;

    // The bar's opacity `elapsed` seconds after it came on screen: 1 at the
    // start, 0 after one half period, 1 again after a whole one.
    static double opacity(double elapsed);
};

}  // namespace qm
