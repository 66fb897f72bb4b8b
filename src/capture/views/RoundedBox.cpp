#include "capture/views/RoundedBox.h"

#include <QPainter>
#include <QPainterPath>

namespace qm {

RoundedBox::RoundedBox(QColor fill, qreal radius, QWidget* parent)
    : QWidget(parent), fill_(fill), radius_(radius)
{
}

void RoundedBox::setFill(QColor fill)
{
    if (fill != fill_) {
        fill_ = fill;
        update();
    }
}

void RoundedBox::paintEvent(QPaintEvent*)
{
    if (fill_.alpha() == 0) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), radius_, radius_);
    painter.fillPath(shape, fill_);
}

}  // namespace qm
