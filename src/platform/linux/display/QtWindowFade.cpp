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

}  // namespace qm
