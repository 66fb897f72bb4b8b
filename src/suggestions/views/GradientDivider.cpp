#include "suggestions/views/GradientDivider.h"

#include <QLinearGradient>
#include <QPainter>

#include "suggestions/views/QtColor.h"

namespace qm {

GradientDivider::GradientDivider(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation)
{
    if (orientation_ == Qt::Vertical) {
        setFixedSize(1, 20);
    } else {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

QSize GradientDivider::sizeHint() const
{
    return orientation_ == Qt::Vertical ? QSize(1, 20) : QSize(1, 1);
}

void GradientDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF area(rect());
    QLinearGradient gradient(area.topLeft(),
                             orientation_ == Qt::Vertical ? area.bottomLeft() : area.topRight());
    gradient.setColorAt(0, QtColor::white(0));
    gradient.setColorAt(0.5, QtColor::white(0.15));
    gradient.setColorAt(1, QtColor::white(0));
    painter.fillRect(area, gradient);
}

}  // namespace qm
