#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/display/Screens.h"

namespace qm {

// The stand-in's displays. It starts with one 1440 × 900 screen whose menu bar
// takes the top 25 points: visible frame (0, 0, 1440, 875).
class SimScreens final : public Screens {
public:
    SimScreens();

    std::vector<Screen> screens() const override;
    std::optional<Screen> mainScreen() const override;

    // The first is the primary screen; an empty list unplugs every display.
    void setScreens(std::vector<Screen> screens);
    // Which screen has the focus; out of range: the primary one.
    void setMainScreenIndex(std::size_t index);

private:
    mutable std::mutex mutex_;
    std::vector<Screen> screens_;
    std::size_t mainIndex_ = 0;
};

}  // namespace qm
