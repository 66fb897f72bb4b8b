#include "suggestions/views/LoopingAnimation.h"

#include <QVariantAnimation>

namespace qm {

QVariantAnimation* LoopingAnimation::make(QObject& owner, double from, double to, int milliseconds,
                                          std::function<void(double value)> onStep)
{
    auto* animation = new QVariantAnimation(&owner);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(milliseconds);
    animation->setLoopCount(-1);
    QObject::connect(animation, &QVariantAnimation::valueChanged, &owner,
                     [onStep = std::move(onStep)](const QVariant& value) { onStep(value.toDouble()); });
    return animation;
}

}  // namespace qm
