#include "onboarding/views/OnboardingHudView.h"

#include <QPainter>
#include <QPainterPath>

#include "onboarding/views/OnboardingStyle.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

using Style = OnboardingStyle;

constexpr int kIcon = 16;
constexpr int kSpacing = 10;
constexpr int kHorizontal = 16;
constexpr int kVertical = 10;
// Room for the shadow around the card.
constexpr int kShadow = 8;

QFont messageFont()
{
    return Style::font(12, true);
}

}  // namespace

OnboardingHudView::OnboardingHudView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("onboardingHud"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void OnboardingHudView::setMessage(const std::string& message)
{
    const QString value = QString::fromStdString(message);
    if (value != message_) {
        message_ = value;
        updateGeometry();
        update();
    }
}

QSize OnboardingHudView::sizeHint() const
{
    const QFontMetrics metrics(messageFont());
    const int content = kIcon + kSpacing + metrics.horizontalAdvance(message_);
    return {content + 2 * kHorizontal + 2 * kShadow,
            std::max(kIcon, metrics.height()) + 2 * kVertical + 2 * kShadow};
}

void OnboardingHudView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(rect()).adjusted(kShadow, kShadow - 3, -kShadow, -kShadow - 3);
    const qreal radius = card.height() / 2;
    for (int ring = 3; ring >= 1; --ring) {
        QPainterPath glow;
        glow.addRoundedRect(card.translated(0, 5).adjusted(-ring * 2, -ring, ring * 2, ring * 2),
                            radius + ring * 2, radius + ring * 2);
        painter.fillPath(glow, Style::withOpacity(Style::brandGold(), 0.05));
    }
    QPainterPath shape;
    shape.addRoundedRect(card, radius, radius);
    painter.fillPath(shape, Style::withOpacity(Style::windowBackground(), 0.95));

    const QFontMetrics metrics(messageFont());
    const qreal left = card.left() + kHorizontal;
    painter.drawPixmap(
        QPointF(left, card.center().y() - kIcon / 2.0),
        SymbolIcon::pixmap("checkmark.circle.fill", Style::brandGold(), kIcon, devicePixelRatioF()));
    painter.setFont(messageFont());
    painter.setPen(Qt::white);
    painter.drawText(
        QRectF(left + kIcon + kSpacing, card.top(), metrics.horizontalAdvance(message_) + 2, card.height()),
        Qt::AlignVCenter | Qt::AlignLeft, message_);
}

}  // namespace qm
