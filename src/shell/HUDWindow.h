#pragma once

#include <functional>

#include "platform/display/Rect.h"
#include "shell/HUDView.h"

namespace qm {

// The window the HUD panel drives: frameless, above other windows and on
// every workspace, never taking the focus or the clicks. Main thread.
class HUDWindow {
public:
    virtual ~HUDWindow() = default;

    virtual void setContent(const HUDView& view) = 0;
    // Screen coordinates (bottom-left origin).
    virtual void setFrame(const Rect& frame) = 0;
    virtual Rect frame() const = 0;
    virtual void setAlpha(double alpha) = 0;
    virtual double alpha() const = 0;
    // To the front without activating this program.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
    // Animates the alpha to `target` over `seconds`; `completion` runs once on
    // the main thread when the time is up, unless the window is gone by then.
    virtual void animateAlpha(double target, double seconds, std::function<void()> completion) = 0;
};

}  // namespace qm
