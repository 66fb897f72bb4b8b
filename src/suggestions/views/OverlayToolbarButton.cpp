#include "suggestions/views/OverlayToolbarButton.h"

#include <QPainter>
#include <QPainterPath>

#include "suggestions/views/QtColor.h"
#include "suggestions/views/SuggestionSymbolIcon.h"

namespace qm {

namespace {

constexpr int kIconSize = 12;
constexpr int kPadding = 6;
// Room for the hovered scale of 1.08.
constexpr int kMargin = 1;
constexpr double kCornerRadius = 5;
const QColor kAmber = QColor::fromRgbF(0.95f, 0.76f, 0.41f);

}  // namespace

OverlayToolbarButton::OverlayToolbarButton(std::string iconName, const QString& toolTip,
                                           std::function<void()> action, QWidget* parent)
    : QAbstractButton(parent), iconName_(std::move(iconName))
{
    setFocusPolicy(Qt::NoFocus);
    setToolTip(toolTip);
    setAccessibleName(toolTip);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, [action = std::move(action)] {
        if (action) {
            // A copy: the action may rebuild the toolbar that holds this button.
            auto run = action;
            run();
        }
    });
}

QSize OverlayToolbarButton::sizeHint() const
{
    const int side = kIconSize + 2 * kPadding + 2 * kMargin;
    return {side, side};
}

void OverlayToolbarButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const bool hovered = underMouse();
    const double scale = hovered ? 1.08 : 1.0;
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-box.center());

    QPainterPath shape;
    shape.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, QtColor::white(hovered ? 0.08 : 0.03));
    QColor border = hovered ? kAmber : QtColor::white(0.05);
    if (hovered) {
        border.setAlphaF(0.3f);
    }
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);

    const QPixmap icon = SuggestionSymbolIcon::pixmap(iconName_, hovered ? kAmber : QtColor::white(0.6),
                                                      kIconSize, devicePixelRatioF());
    painter.drawPixmap(QPointF(box.x() + kPadding, box.y() + kPadding), icon);
}

}  // namespace qm
