#include "suggestions/views/AIProgressIndicator.h"

#include <QPainter>
#include <QVariantAnimation>

#include "suggestions/views/LoopingAnimation.h"

namespace qm {

namespace {
constexpr int kSide = 16;
// A circular indicator scaled to 0.7 in a 16 × 16 frame.
constexpr double kDiameter = 11.2;
const QColor kPurple = QColor::fromRgbF(0.686f, 0.322f, 0.871f);
}  // namespace

AIProgressIndicator::AIProgressIndicator(QWidget* parent) : QWidget(parent)
{
    setFixedSize(kSide, kSide);
    turn_ = LoopingAnimation::make(*this, 0.0, 360.0, 1000, [this](double angle) {
        angle_ = angle;
        update();
    });
}

void AIProgressIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring((kSide - kDiameter) / 2, (kSide - kDiameter) / 2, kDiameter, kDiameter);
    QColor track = kPurple;
    track.setAlphaF(0.25f);
    painter.setPen(QPen(track, 1.6));
    painter.drawEllipse(ring);
    painter.setPen(QPen(kPurple, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, static_cast<int>((90 - angle_) * 16), 100 * 16);
}

void AIProgressIndicator::showEvent(QShowEvent* event)
{
    if (turn_) {
        turn_->start();
    }
    QWidget::showEvent(event);
}

void AIProgressIndicator::hideEvent(QHideEvent* event)
{
    if (turn_) {
        turn_->stop();
    }
    QWidget::hideEvent(event);
}

}  // namespace qm
