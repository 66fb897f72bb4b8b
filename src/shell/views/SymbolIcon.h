#pragma once

#include <string_view>

#include <QColor>
#include <QPixmap>

#include "platform/linux/display/SymbolLookup.h"

namespace qm {

// Our own drawings of the system symbols the windows name ("bell.fill",
// "doc.on.doc.fill", "exclamationmark.triangle.fill", "gearshape.fill",
// "slider.horizontal.3", "timer" ...): one lookup from a symbol name to an
// icon. A name without a drawing gets a plain dot, so a caller's unknown
// symbol still shows something.
class SymbolIcon {
public:
    // `size` is the icon's side in device-independent pixels.
    static QPixmap pixmap(std::string_view name, const QColor& color, int size, qreal devicePixelRatio = 1.0);

    // Whether `name` has a drawing of its own.
    static bool isKnown(std::string_view name);

    // The lookup behind pixmap(), for windows that add symbols of their own
    // in front of it.
    static const SymbolLookup& lookup();
};

}  // namespace qm
