#include "onboarding/views/OnboardingButton.h"

#include <algorithm>

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "onboarding/views/OnboardingStyle.h"
#include "shell/views/SymbolIcon.h"

namespace qm {

namespace {

constexpr int kSymbolGap = 6;

}  // namespace

OnboardingButton::OnboardingButton(const std::string& title, const QFont& font, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(QString::fromStdString(title));
    setFont(font);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    look_.fill = OnboardingStyle::brandGold();
    look_.textColour = Qt::black;
}

OnboardingButton* OnboardingButton::makeStepButton(const std::string& title, const char* objectName,
                                                   bool arrow, QWidget* parent)
{
    auto* button = new OnboardingButton(title, OnboardingStyle::font(13, true), parent);
    button->setObjectName(QString::fromLatin1(objectName));
    if (arrow) {
        button->setTrailingSymbol("arrow.right");
    }
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setLook(stepLook(true));
    return button;
}

OnboardingButton::Look OnboardingButton::stepLook(bool enabled, qreal disabledOpacity, qreal shadowOpacity)
{
    const QColor gold = OnboardingStyle::brandGold();
    return {.fill = enabled ? gold : OnboardingStyle::withOpacity(gold, disabledOpacity),
            .textColour = Qt::black,
            .shadow = enabled ? OnboardingStyle::withOpacity(gold, shadowOpacity) : QColor(Qt::transparent)};
}

void OnboardingButton::setTitle(const std::string& title)
{
    const QString value = QString::fromStdString(title);
    if (value != text()) {
        setText(value);
        updateGeometry();
    }
}

void OnboardingButton::setTrailingSymbol(std::string symbol)
{
    symbol_ = std::move(symbol);
    updateGeometry();
    update();
}

void OnboardingButton::setPadding(int horizontal, int vertical)
{
    horizontalPadding_ = horizontal;
    verticalPadding_ = vertical;
    updateGeometry();
}

void OnboardingButton::setLook(const Look& look)
{
    look_ = look;
    update();
}

void OnboardingButton::setElidesTitle(bool elides)
{
    elides_ = elides;
    updateGeometry();
}

QSize OnboardingButton::minimumSizeHint() const
{
    const QSize full = sizeHint();
    if (!elides_) {
        return full;
    }
    const QFontMetrics metrics(font());
    return {std::min(full.width(), 2 * horizontalPadding_ + metrics.horizontalAdvance(QStringLiteral("//…"))),
            full.height()};
}

QSize OnboardingButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = metrics.horizontalAdvance(text()) + 2 * horizontalPadding_;
    if (!symbol_.empty()) {
        width += kSymbolGap + metrics.height();
    }
    return {width, metrics.height() + 2 * verticalPadding_};
}

void OnboardingButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Room below for the shadow, which the layouts do not count.
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(box, look_.radius, look_.radius);
    if (look_.shadow.alpha() > 0) {
        // A soft shadow: a few widening translucent rings below the shape.
        const int rings = 4;
        for (int ring = rings; ring >= 1; --ring) {
            const qreal spread = look_.shadowRadius * ring / rings / 2;
            QPainterPath blur;
            blur.addRoundedRect(
                box.translated(0, look_.shadowOffset).adjusted(-spread, -spread / 2, spread, spread),
                look_.radius + spread, look_.radius + spread);
            painter.fillPath(blur, OnboardingStyle::withOpacity(look_.shadow, 1.0 / rings));
        }
    }
    painter.fillPath(shape, look_.fill);
    if (look_.stroke.alpha() > 0) {
        painter.setPen(QPen(look_.stroke, 1));
        painter.drawPath(shape);
    }
    if (hasFocus()) {
        painter.setPen(QPen(OnboardingStyle::white(0.7), 1.5));
        painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), look_.radius - 1, look_.radius - 1);
    }

    const QFontMetrics metrics(font());
    const int symbolSide = symbol_.empty() ? 0 : metrics.height() * 3 / 4;
    const int room = width() - 2 * horizontalPadding_ - (symbol_.empty() ? 0 : kSymbolGap + symbolSide);
    const QString title =
        metrics.horizontalAdvance(text()) > room ? metrics.elidedText(text(), Qt::ElideRight, room) : text();
    const int textWidth = metrics.horizontalAdvance(title);
    const int contentWidth = textWidth + (symbol_.empty() ? 0 : kSymbolGap + symbolSide);
    const int left = (width() - contentWidth) / 2;
    painter.setPen(look_.textColour);
    painter.setFont(font());
    painter.drawText(QRect(left, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, title);
    if (!symbol_.empty()) {
        const QPixmap icon = SymbolIcon::pixmap(symbol_, look_.textColour, symbolSide, devicePixelRatioF());
        painter.drawPixmap(QPoint(left + textWidth + kSymbolGap, (height() - symbolSide) / 2), icon);
    }
}

void OnboardingButton::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier) {
        if (isEnabled()) {
            click();
        }
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace qm
