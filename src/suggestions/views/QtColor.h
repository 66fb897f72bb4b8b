#pragma once

#include <QColor>

#include "platform/workspace/Color.h"

namespace qm {

// The view models' colours (components 0...1) as Qt's.
class QtColor {
public:
    static QColor from(const Color& color)
    {
        return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                                static_cast<float>(color.blue), static_cast<float>(color.alpha));
    }
    // White at `opacity`.
    static QColor white(double opacity) { return from({1, 1, 1, opacity}); }
};

}  // namespace qm
