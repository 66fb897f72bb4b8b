#include "suggestions/views/BlinkingCursorWidget.h"

#include <QPainter>
#include <QVariantAnimation>

#include "suggestions/BlinkingCursor.h"
#include "suggestions/views/LoopingAnimation.h"

namespace qm {

namespace {
const QColor kViolet = QColor::fromRgbF(0.7f, 0.4f, 1.0f);
constexpr int kPeriodMilliseconds = static_cast<int>(2 * BlinkingCursor::halfPeriod * 1000);
}  // namespace

BlinkingCursorWidget::BlinkingCursorWidget(QWidget* parent) : QWidget(parent)
{
    setFixedSize(static_cast<int>(BlinkingCursor::width), static_cast<int>(BlinkingCursor::height));
    clock_ = LoopingAnimation::make(*this, 0.0, 2 * BlinkingCursor::halfPeriod, kPeriodMilliseconds,
                                    [this](double elapsed) {
                                        elapsed_ = elapsed;
                                        update();
                                    });
}

BlinkingCursorWidget::~BlinkingCursorWidget() = default;

double BlinkingCursorWidget::opacity() const
{
    return BlinkingCursor::opacity(elapsed_);
}

bool BlinkingCursorWidget::isBlinking() const
{
    return clock_ && clock_->state() == QAbstractAnimation::Running;
}

void BlinkingCursorWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setOpacity(opacity());
    painter.fillRect(rect(), kViolet);
}

void BlinkingCursorWidget::showEvent(QShowEvent* event)
{
    elapsed_ = 0;
    if (clock_) {
        clock_->start();
    }
    QWidget::showEvent(event);
}

void BlinkingCursorWidget::hideEvent(QHideEvent* event)
{
    if (clock_) {
        clock_->stop();
    }
    QWidget::hideEvent(event);
}

}  // namespace qm
