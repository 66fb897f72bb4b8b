#include "shell/sim/SimHUDWindow.h"

#include "platform/runtime/MainLoop.h"

namespace qm {

void SimHUDWindow::setAlpha(double alpha)
{
    ++animationGeneration_;
    alpha_ = alpha;
}

void SimHUDWindow::orderFront()
{
    visible_ = true;
}

void SimHUDWindow::orderOut()
{
    visible_ = false;
    ++orderOuts_;
}

void SimHUDWindow::animateAlpha(double target, double seconds, std::function<void()> completion)
{
    const std::uint64_t generation = ++animationGeneration_;
    animations_.push_back({target, seconds});
    mainLoop_.postAfter(seconds, alive_.guard([this, target, generation, completion = std::move(completion)] {
        if (animationGeneration_ == generation) {
            alpha_ = target;
        }
        if (completion) {
            completion();
        }
    }));
}

}  // namespace qm
