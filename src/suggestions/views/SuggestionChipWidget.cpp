#include "suggestions/views/SuggestionChipWidget.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "shell/views/ViewFonts.h"
#include "suggestions/SuggestionViewModel.h"
#include "suggestions/views/QtColor.h"
#include "suggestions/views/SuggestionSymbolIcon.h"

namespace qm {

namespace {

constexpr double kPaddingX = 12;
constexpr double kPaddingY = 7;
constexpr double kSpacing = 8;
constexpr double kBadgePaddingX = 5;
constexpr double kBadgePaddingY = 2.5;
constexpr double kIconSize = 11;
constexpr double kSwatchSize = 12;
constexpr double kLineSpacing = 1;

QFont badgeFont()
{
    return ViewFonts::mono(9.5, ViewFonts::Weight::bold);
}
QFont titleFont()
{
    return ViewFonts::system(11.5, ViewFonts::Weight::bold);
}
QFont bodyFont()
{
    return ViewFonts::mono(9.5, ViewFonts::Weight::medium);
}

QPainterPath rounded(const QRectF& rect, double radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

}  // namespace

struct SuggestionChipWidget::Metrics {
    QString badge;
    QSizeF badgeSize;
    QSizeF markerSize;
    QString title;
    QString body;
    double titleHeight = 0;
    double bodyHeight = 0;
    QSizeF textSize;
    QSizeF chipSize;
};

SuggestionChipWidget::SuggestionChipWidget(SuggestionViewModel& model, int index, QWidget* parent)
    : QAbstractButton(parent), model_(model), index_(index)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(QString::fromStdString(model_.suggestions().at(static_cast<std::size_t>(index)).title));
    // The handler may hand the panel a new list, which replaces this chip
    // later (never while the click runs).
    connect(this, &QAbstractButton::clicked, this, [this] { model_.selectChip(index_); });
}

SuggestionChip SuggestionChipWidget::chip() const
{
    return model_.chip(index_, underMouse());
}

SuggestionChipWidget::Metrics SuggestionChipWidget::metrics(const SuggestionChip& chip) const
{
    Metrics m;
    if (const auto badge = chip.badgeText()) {
        m.badge = QString::fromStdString(*badge);
        const QFontMetricsF font(badgeFont());
        m.badgeSize = {font.horizontalAdvance(m.badge) + 2 * kBadgePaddingX,
                       font.height() + 2 * kBadgePaddingY};
    }
    m.markerSize = chip.swatchColor() ? QSizeF(kSwatchSize, kSwatchSize) : QSizeF(kIconSize, kIconSize);
    m.title = QString::fromStdString(chip.model().title);
    const QFontMetricsF title(titleFont());
    m.titleHeight = title.height();
    double textWidth = title.horizontalAdvance(m.title);
    double textHeight = m.titleHeight;
    if (chip.model().body) {
        m.body = QString::fromStdString(*chip.model().body);
        const QFontMetricsF body(bodyFont());
        m.bodyHeight = body.height();
        textWidth = std::max(textWidth, body.horizontalAdvance(m.body));
        textHeight += kLineSpacing + m.bodyHeight;
    }
    m.textSize = {textWidth, textHeight};
    double width = m.markerSize.width() + kSpacing + textWidth;
    double height = std::max(m.markerSize.height(), textHeight);
    if (!m.badge.isEmpty()) {
        width += m.badgeSize.width() + kSpacing;
        height = std::max(height, m.badgeSize.height());
    }
    m.chipSize = {std::ceil(width + 2 * kPaddingX), std::ceil(height + 2 * kPaddingY)};
    return m;
}

QSize SuggestionChipWidget::sizeHint() const
{
    const QSizeF chipSize = metrics(chip()).chipSize;
    return {static_cast<int>(chipSize.width()) + 2 * shadowMargin,
            static_cast<int>(chipSize.height()) + 2 * shadowMargin};
}

void SuggestionChipWidget::paintEvent(QPaintEvent*)
{
    const SuggestionChip current = chip();
    const Metrics m = metrics(current);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF body = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    const QPointF centre = body.center();
    painter.translate(centre);
    painter.scale(current.scale(), current.scale());
    painter.translate(-centre);

    const QColor shadow = QtColor::from(current.shadowColor());
    if (shadow.alpha() > 0) {
        // A soft shadow 2 points down, fading over a few rings.
        for (int ring = 3; ring >= 1; --ring) {
            QColor layer = shadow;
            layer.setAlphaF(shadow.alphaF() / (ring + 1));
            painter.fillPath(
                rounded(body.translated(0, 2).adjusted(-ring, -ring + 1, ring, ring), cornerRadius + ring),
                layer);
        }
    }

    const QPainterPath shape = rounded(body, cornerRadius);
    if (current.isActive()) {
        QLinearGradient gradient(body.topLeft(), body.bottomLeft());
        gradient.setColorAt(0, QtColor::from(current.activeGradient().top));
        gradient.setColorAt(1, QtColor::from(current.activeGradient().bottom));
        painter.fillPath(shape, gradient);
    } else {
        painter.fillPath(shape, QtColor::from(current.inactiveFill()));
        painter.setPen(QPen(QtColor::from(current.borderColor()), 1));
        painter.drawPath(rounded(body.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius));
    }

    const double contentHeight = body.height() - 2 * kPaddingY;
    double x = body.x() + kPaddingX;
    const double top = body.y() + kPaddingY;
    const auto centredY = [&](double height) { return top + (contentHeight - height) / 2; };

    if (!m.badge.isEmpty()) {
        const QRectF badge(x, centredY(m.badgeSize.height()), m.badgeSize.width(), m.badgeSize.height());
        const QPainterPath badgeShape = rounded(badge.adjusted(0.5, 0.5, -0.5, -0.5), 4);
        painter.fillPath(badgeShape, current.isActive() ? QColor::fromRgbF(0, 0, 0, 0.4f)
                                                        : QColor::fromRgbF(0.14f, 0.14f, 0.15f));
        painter.setPen(QPen(QtColor::white(current.isActive() ? 0.15 : 0.08), 1));
        painter.drawPath(badgeShape);
        painter.setFont(badgeFont());
        painter.setPen(QColor::fromRgbF(0, 0, 0, 0.15f));
        painter.drawText(badge.translated(0, 1), Qt::AlignCenter, m.badge);
        painter.setPen(QtColor::white(0.7));
        painter.drawText(badge, Qt::AlignCenter, m.badge);
        x += m.badgeSize.width() + kSpacing;
    }

    const QRectF marker(x, centredY(m.markerSize.height()), m.markerSize.width(), m.markerSize.height());
    if (const auto swatch = current.swatchColor()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.33f));
        painter.drawEllipse(marker.adjusted(-1, -1, 1, 1));
        painter.setBrush(QtColor::from(*swatch));
        painter.setPen(QPen(QtColor::white(current.isActive() ? 1.0 : 0.3), 1));
        painter.drawEllipse(marker.adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setBrush(Qt::NoBrush);
    } else {
        const QPixmap icon =
            SuggestionSymbolIcon::pixmap(current.iconName(), QtColor::from(current.headerColor()),
                                         static_cast<int>(kIconSize), devicePixelRatioF());
        painter.drawPixmap(marker.topLeft(), icon);
    }
    x += m.markerSize.width() + kSpacing;

    const double textTop = centredY(m.textSize.height());
    const double textWidth = body.right() - kPaddingX - x;
    painter.setFont(titleFont());
    painter.setPen(QtColor::from(current.headerColor()));
    const QFontMetricsF titleMetrics(titleFont());
    painter.drawText(QRectF(x, textTop, textWidth + 1, m.titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(m.title, Qt::ElideRight, textWidth + 1));
    if (!m.body.isEmpty()) {
        painter.setFont(bodyFont());
        painter.setPen(QtColor::from(current.bodyColor()));
        const QFontMetricsF bodyMetrics(bodyFont());
        painter.drawText(QRectF(x, textTop + m.titleHeight + kLineSpacing, textWidth + 1, m.bodyHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         bodyMetrics.elidedText(m.body, Qt::ElideRight, textWidth + 1));
    }
}

}  // namespace qm
