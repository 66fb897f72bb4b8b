#include "platform/linux/display/SymbolLookup.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace qm {

namespace {

void dot(QPainter& p, const QColor& c)
{
    QPainterPath disc;
    disc.addEllipse(QPointF(12, 12), 7, 7);
    p.fillPath(disc, c);
}

}  // namespace

SymbolLookup::Drawing SymbolLookup::find(std::string_view name) const
{
    for (const SymbolLookup* lookup = this; lookup != nullptr; lookup = lookup->fallback_) {
        const auto entry = std::find_if(lookup->entries_.begin(), lookup->entries_.end(),
                                        [name](const Entry& candidate) { return candidate.name == name; });
        if (entry != lookup->entries_.end()) {
            return entry->drawing;
        }
    }
    return nullptr;
}

QPixmap SymbolLookup::pixmap(std::string_view name, const QColor& color, int size,
                             qreal devicePixelRatio) const
{
    const Drawing drawing = find(name);
    return render(drawing ? drawing : dot, color, size, devicePixelRatio);
}

QPixmap SymbolLookup::render(Drawing drawing, const QColor& color, int size, qreal devicePixelRatio)
{
    const int side = std::max(1, static_cast<int>(std::lround(size * devicePixelRatio)));
    QPixmap image(side, side);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 24.0, side / 24.0);
        drawing(painter, color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

}  // namespace qm
