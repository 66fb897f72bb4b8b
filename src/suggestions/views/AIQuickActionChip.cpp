#include "suggestions/views/AIQuickActionChip.h"

#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "shell/views/ViewFonts.h"
#include "suggestions/views/QtColor.h"
#include "suggestions/views/SuggestionSymbolIcon.h"

namespace qm {

namespace {

constexpr double kPaddingX = 8;
constexpr double kPaddingY = 5;
constexpr double kSpacing = 4;
constexpr int kIconSize = 11;
constexpr double kCornerRadius = 5;
// Room for the chosen chip's glow.
constexpr int kMargin = 3;

QFont labelFont()
{
    return ViewFonts::system(10, ViewFonts::Weight::bold);
}

}  // namespace

AIQuickActionChip::AIQuickActionChip(AIPromptCard::Action action, std::function<void()> onClick,
                                     QWidget* parent)
    : QAbstractButton(parent), action_(std::move(action))
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QString::fromStdString(action_.label));
    if (onClick) {
        connect(this, &QAbstractButton::clicked, this, std::move(onClick));
    }
}

void AIQuickActionChip::setAction(const AIPromptCard::Action& action)
{
    if (action_ == action) {
        return;
    }
    action_ = action;
    updateGeometry();
    update();
}

QSize AIQuickActionChip::sizeHint() const
{
    const QFontMetricsF metrics(labelFont());
    const double width = kIconSize + kSpacing +
                         metrics.horizontalAdvance(QString::fromStdString(action_.label)) + 2 * kPaddingX;
    const double height = std::max<double>(kIconSize, metrics.height()) + 2 * kPaddingY;
    return {static_cast<int>(std::ceil(width)) + 2 * kMargin,
            static_cast<int>(std::ceil(height)) + 2 * kMargin};
}

void AIQuickActionChip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    QPainterPath shape;
    shape.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);

    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    QColor content;
    QColor border;
    if (action_.selected) {
        for (int ring = 3; ring >= 1; --ring) {
            QPainterPath glow;
            glow.addRoundedRect(box.adjusted(-ring, -ring, ring, ring), kCornerRadius + ring,
                                kCornerRadius + ring);
            painter.fillPath(glow,
                             QColor::fromRgbF(0.686f, 0.322f, 0.871f, 0.3f / static_cast<float>(ring + 1)));
        }
        fill.setColorAt(0, QColor::fromRgbF(0.6f, 0.3f, 0.9f));
        fill.setColorAt(1, QColor::fromRgbF(0.45f, 0.15f, 0.8f));
        content = Qt::white;
        border = QColor::fromRgbF(0.7f, 0.4f, 1.0f, 0.5f);
    } else {
        fill.setColorAt(0, QtColor::white(0.05));
        fill.setColorAt(1, QtColor::white(0.03));
        content = QtColor::white(0.6);
        border = QtColor::white(0.08);
    }
    painter.fillPath(shape, fill);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);

    const double x = box.x() + kPaddingX;
    const QPixmap icon =
        SuggestionSymbolIcon::pixmap(action_.iconName, content, kIconSize, devicePixelRatioF());
    painter.drawPixmap(QPointF(x, box.center().y() - kIconSize / 2.0), icon);
    painter.setFont(labelFont());
    painter.setPen(content);
    painter.drawText(
        QRectF(x + kIconSize + kSpacing, box.y(), box.right() - x - kIconSize - kSpacing, box.height()),
        Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(action_.label));
}

}  // namespace qm
