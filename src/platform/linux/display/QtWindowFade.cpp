#include "platform/linux/display/QtWindowFade.h"

#include <QPropertyAnimation>
#include <QWidget>

#include "platform/runtime/MainLoop.h"

namespace qm {

QtWindowFade::QtWindowFade(QWidget& window, MainLoop& mainLoop) : window_(window), mainLoop_(mainLoop)
{
    window_.setWindowOpacity(alpha_);
}

QtWindowFade::~QtWindowFade()
{
    if (animation_) {
        animation_->stop();
    }
}

void QtWindowFade::animate(double target, double seconds, std::function<void()> completion)
{
    const std::uint64_t generation = ++generation_;
    alpha_ = target;
    if (animation_) {
        animation_->stop();
    }
    auto* animation = new QPropertyAnimation(&window_, "windowOpacity", &window_);
    animation->setDuration(static_cast<int>(seconds * 1000));
    animation->setStartValue(window_.windowOpacity());
    animation->setEndValue(target);
    animation_ = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    // The end is the main loop's, so it keeps the loop's time and order.
    mainLoop_.postAfter(seconds, alive_.guard([this, target, generation, completion = std::move(completion)] {
        if (generation_ == generation) {
            if (animation_) {
                animation_->stop();
            }
            window_.setWindowOpacity(target);
        }
        if (completion) {
            completion();
        }
    }));
}

void QtWindowFade::fadeIn(double seconds)
{
    ++hideGeneration_;
    if (alpha_ < 1.0) {
        animate(1.0, seconds, nullptr);
    }
}

void QtWindowFade::fadeOutAndHide(double seconds)
{
    const std::uint64_t generation = ++hideGeneration_;
    if (alpha_ <= 0) {
        window_.hide();
        return;
    }
    animate(0.0, seconds, [this, generation] {
        if (hideGeneration_ == generation) {
            window_.hide();
        }
    });
}

void QtWindowFade::set(double alpha)
{
    ++generation_;
    alpha_ = alpha;
    if (animation_) {
        animation_->stop();
    }
    window_.setWindowOpacity(alpha);
}

}  // namespace qm
