#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/runtime/AliveToken.h"
#include "shell/HUDWindow.h"

namespace qm {

class MainLoop;

// The HUD's window on the stand-in desktop: it keeps what it was told and
// runs an alpha animation as a delayed block on the main loop, so tests can
// step through show, fade and order-out with virtual time. Setting the alpha
// directly stops a running animation (its completion still runs).
class SimHUDWindow final : public HUDWindow {
public:
    // `mainLoop` must outlive the window.
    explicit SimHUDWindow(MainLoop& mainLoop) : mainLoop_(mainLoop) {}

    void setContent(const HUDView& view) override { content_ = view; }
    void setFrame(const Rect& frame) override { frame_ = frame; }
    Rect frame() const override { return frame_; }
    void setAlpha(double alpha) override;
    double alpha() const override { return alpha_; }
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override { return visible_; }
    void animateAlpha(double target, double seconds, std::function<void()> completion) override;

    const std::optional<HUDView>& content() const { return content_; }
    // Shown means ordered in and not fully transparent.
    bool isShowing() const { return visible_ && alpha_ > 0; }
    int orderOutCount() const { return orderOuts_; }
    // Animations started so far, with their target and length.
    struct Animation {
        double target;
        double seconds;
    };
    const std::vector<Animation>& animations() const { return animations_; }

private:
    MainLoop& mainLoop_;
    std::optional<HUDView> content_;
    Rect frame_;
    double alpha_ = 1;
    bool visible_ = false;
    int orderOuts_ = 0;
    std::uint64_t animationGeneration_ = 0;
    std::vector<Animation> animations_;
    AliveToken alive_;
};

}  // namespace qm
