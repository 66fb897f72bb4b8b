#pragma once

#include <cstdint>
#include <functional>

#include <QPointer>

#include "platform/runtime/AliveToken.h"

class QPropertyAnimation;
class QWidget;

namespace qm {

class MainLoop;

// Fades a top-level window's opacity. Qt draws the way there; the fade's end
// is a delayed block on the main loop, so the window's timing is the loop's
// (a manual one in tests). A newer fade takes over from a running one; the
// older one's completion still runs at its own end. GUI thread.
class QtWindowFade {
public:
    // `window` and `mainLoop` must outlive the fade. The window starts
    // invisible (opacity 0).
    QtWindowFade(QWidget& window, MainLoop& mainLoop);
    ~QtWindowFade();
    QtWindowFade(const QtWindowFade&) = delete;
    QtWindowFade& operator=(const QtWindowFade&) = delete;

    // Fades to `target` over `seconds`; `completion` runs on the main loop
    // when the time is up, unless the fade is gone by then.
    void animate(double target, double seconds, std::function<void()> completion);

    // The alpha the window has or is fading to: set at the start of a fade,
    // as the platform's animator does.
    double alpha() const { return alpha_; }

private:
    QWidget& window_;
    MainLoop& mainLoop_;
    double alpha_ = 0;
    std::uint64_t generation_ = 0;
    QPointer<QPropertyAnimation> animation_;
    AliveToken alive_;
};

}  // namespace qm
