#pragma once

#include <string_view>

#include <QColor>
#include <QPixmap>

class QPainter;

namespace qm {

// Our own drawings of the system symbols the windows name ("bell.fill",
// "doc.on.doc.fill", "exclamationmark.triangle.fill", "person.fill",
// "gearshape.fill" ...): one lookup from a symbol name to an icon. A name
// without a drawing gets a plain dot, so a caller's unknown symbol still
// shows something.
class SymbolIcon {
public:
    // A drawing in a 24 × 24 box, in one colour.
    using Drawing = void (*)(QPainter& painter, const QColor& color);

    // `size` is the icon's side in device-independent pixels.
    static QPixmap pixmap(std::string_view name, const QColor& color, int size, qreal devicePixelRatio = 1.0);

    // `drawing` as an icon of `size`, for symbols drawn elsewhere.
    static QPixmap pixmap(Drawing drawing, const QColor& color, int size, qreal devicePixelRatio = 1.0);

    // Whether `name` has a drawing of its own.
    static bool isKnown(std::string_view name);
};

}  // namespace qm
