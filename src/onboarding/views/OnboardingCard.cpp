#include "onboarding/views/OnboardingCard.h"

#include <QPainter>
#include <QPainterPath>

namespace qm {

OnboardingCard::OnboardingCard(QColor fill, QColor stroke, qreal radius, QWidget* parent)
    : QWidget(parent), fill_(fill), stroke_(stroke), radius_(radius)
{
}

void OnboardingCard::setColours(QColor fill, QColor stroke)
{
    if (fill != fill_ || stroke != stroke_) {
        fill_ = fill;
        stroke_ = stroke;
        update();
    }
}

void OnboardingCard::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(box, radius_, radius_);
    painter.fillPath(path, fill_);
    painter.setPen(QPen(stroke_, 1));
    painter.drawPath(path);
}

}  // namespace qm
