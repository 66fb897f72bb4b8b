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

    // Fades the window in over `seconds`, unless it is in or fading in
    // already. A fade-out under way no longer hides the window at its end.
    void fadeIn(double seconds);

    // Fades the window out over `seconds` and hides it then, unless fadeIn
    // came in between; a window that is out already is hidden at once.
    void fadeOutAndHide(double seconds);

    // Counts the fades in and out: a fade-out's end hides the window only
    // while the count is still its own.
    std::uint64_t hideGeneration() const { return hideGeneration_; }

    // Puts the window at `alpha` at once. A running fade stops where it is
    // and its end leaves the opacity alone; its completion still runs.
    void set(double alpha);

    // The alpha the window has or is fading to: set at the start of a fade,
    // as the platform's animator does.
    double alpha() const { return alpha_; }

private:
    QWidget& window_;
    MainLoop& mainLoop_;
    double alpha_ = 0;
    std::uint64_t generation_ = 0;
    std::uint64_t hideGeneration_ = 0;
    QPointer<QPropertyAnimation> animation_;
    AliveToken alive_;
};

}  // namespace qm
