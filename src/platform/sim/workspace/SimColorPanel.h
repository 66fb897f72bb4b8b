#pragma once

#include <optional>

#include "platform/workspace/ColorPanel.h"

namespace qm {

// The stand-in colour panel. A test plays the user: it drags through colours
// (reported only while the panel is continuous) or releases on one (always
// reported). A colour given as nothing stands for one outside device RGB.
// Main thread only, as the real panel.
class SimColorPanel final : public ColorPanel {
public:
    void setColor(const Color& color) override;
    std::optional<Color> deviceRGBColor() const override;
    void setAction(Action action) override;
    void setContinuous(bool continuous) override;
    void makeKeyAndOrderFront() override;

    void userDragged(std::optional<Color> color);
    void userReleased(std::optional<Color> color);

    bool isVisible() const { return visible_; }
    bool isKeyWindow() const { return key_; }
    bool isContinuous() const { return continuous_; }
    bool hasAction() const { return static_cast<bool>(action_); }
    // How often setColor was called.
    int colorSetCount() const { return colorSets_; }

private:
    void fire();

    std::optional<Color> color_ = Color{1, 1, 1, 1};
    Action action_;
    bool continuous_ = false;
    bool visible_ = false;
    bool key_ = false;
    int colorSets_ = 0;
};

}  // namespace qm
