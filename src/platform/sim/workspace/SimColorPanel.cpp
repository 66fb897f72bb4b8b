#include "platform/sim/workspace/SimColorPanel.h"

#include <utility>

namespace qm {

void SimColorPanel::setColor(const Color& color)
{
    color_ = color;
    ++colorSets_;
}

std::optional<Color> SimColorPanel::deviceRGBColor() const
{
    return color_;
}

void SimColorPanel::setAction(Action action)
{
    action_ = std::move(action);
}

void SimColorPanel::setContinuous(bool continuous)
{
    continuous_ = continuous;
}

void SimColorPanel::makeKeyAndOrderFront()
{
    visible_ = true;
    key_ = true;
}

void SimColorPanel::userDragged(std::optional<Color> color)
{
    color_ = color;
    if (continuous_) {
        fire();
    }
}

void SimColorPanel::userReleased(std::optional<Color> color)
{
    color_ = color;
    fire();
}

void SimColorPanel::fire()
{
    // A copy: the action may replace itself while it runs.
    if (Action action = action_) {
        action(*this);
    }
}

}  // namespace qm
