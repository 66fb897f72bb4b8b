#include "platform/sim/display/SimScreens.h"

namespace qm {

SimScreens::SimScreens() : screens_{Screen{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)}} {}

std::vector<Screen> SimScreens::screens() const
{
    std::lock_guard lock(mutex_);
    return screens_;
}

std::optional<Screen> SimScreens::mainScreen() const
{
    std::lock_guard lock(mutex_);
    if (screens_.empty()) {
        return std::nullopt;
    }
    return mainIndex_ < screens_.size() ? screens_[mainIndex_] : screens_.front();
}

void SimScreens::setScreens(std::vector<Screen> screens)
{
    std::lock_guard lock(mutex_);
    screens_ = std::move(screens);
}

void SimScreens::setMainScreenIndex(std::size_t index)
{
    std::lock_guard lock(mutex_);
    mainIndex_ = index;
}

}  // namespace qm
