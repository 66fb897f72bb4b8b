#pragma once

#include <functional>

class QObject;
class QVariantAnimation;

namespace qm {

// Qt's animation clock as an endless loop: a value that runs from `from` to
// `to` in `milliseconds` and starts over, handing each step to `onStep`. The
// animation belongs to `owner`; it runs once started. GUI thread.
class LoopingAnimation {
public:
    LoopingAnimation() = delete;

    static QVariantAnimation* make(QObject& owner, double from, double to, int milliseconds,
                                   std::function<void(double value)> onStep);
};

}  // namespace qm
