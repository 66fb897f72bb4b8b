#pragma once

#include <span>
#include <string_view>

#include <QColor>
#include <QPixmap>

class QPainter;

namespace qm {

// A lookup from a system symbol name ("bell.fill", "gearshape") to our own
// drawing of it, over a table of drawings and then, for the names the table
// lacks, another lookup. Every window that shows symbols renders through one;
// a name nobody draws gets a plain dot, so a caller's unknown symbol still
// shows something.
class SymbolLookup {
public:
    // A drawing in a 24 × 24 box, in one colour.
    using Drawing = void (*)(QPainter& painter, const QColor& color);

    struct Entry {
        std::string_view name;
        Drawing drawing;
    };

    // `entries` (a static table) and `fallback` must outlive the lookup.
    explicit constexpr SymbolLookup(std::span<const Entry> entries, const SymbolLookup* fallback = nullptr)
        : entries_(entries), fallback_(fallback)
    {
    }

    // The drawing for `name`, or null when nobody draws it.
    Drawing find(std::string_view name) const;

    bool isKnown(std::string_view name) const { return find(name) != nullptr; }

    // `name` as an icon of `size` device-independent pixels; a plain dot
    // when nobody draws it.
    QPixmap pixmap(std::string_view name, const QColor& color, int size, qreal devicePixelRatio = 1.0) const;

    // `drawing` as an icon of `size` device-independent pixels.
    static QPixmap render(Drawing drawing, const QColor& color, int size, qreal devicePixelRatio = 1.0);

private:
    std::span<const Entry> entries_;
    const SymbolLookup* fallback_;
};

}  // namespace qm
