#include "shell/views/HUDWindowWidget.h"

#include <QFont>
#include <QPainter>
#include <QTextLayout>

#include "platform/linux/display/QtPanelStyle.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "shell/views/SymbolIcon.h"
#include "shell/views/ViewFonts.h"

namespace qm {

namespace {

const QColor kAmber = QColor::fromRgbF(0.95f, 0.76f, 0.41f);
constexpr int kIconSize = 16;
constexpr int kMaximumLines = 2;

QFont messageFont()
{
    return ViewFonts::system(12.5, ViewFonts::Weight::semibold);
}

// Lays `text` out in at most two lines of `width`; the last line that fits
// ends in an ellipsis when text is left over.
QStringList wrapped(const QString& text, const QFont& font, qreal width)
{
    QStringList lines;
    QTextLayout layout(text, font);
    layout.beginLayout();
    int consumed = 0;
    while (lines.size() < kMaximumLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
        consumed = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (consumed < text.size() && !lines.isEmpty()) {
        const QFontMetricsF metrics(font);
        lines.back() = metrics.elidedText(lines.back() + text.mid(consumed), Qt::ElideRight, width);
    }
    return lines;
}

}  // namespace

HUDWindowWidget::HUDWindowWidget(MainLoop& mainLoop) : fade_(*this, mainLoop)
{
    QtPanelStyle::apply(*this, QtPanelStyle::Activation::nonActivating, QtPanelStyle::Clicks::passThrough);
    setObjectName(QStringLiteral("QuillmarkerHUD"));
    resize(240, 50);
}

HUDWindowWidget::~HUDWindowWidget() = default;

void HUDWindowWidget::setContent(const HUDView& view)
{
    view_ = view;
    update();
}

void HUDWindowWidget::setFrame(const Rect& frame)
{
    setGeometry(QtScreenGeometry::fromScreen(frame).toAlignedRect());
}

Rect HUDWindowWidget::frame() const
{
    return QtScreenGeometry::toScreen(QRectF(geometry()));
}

void HUDWindowWidget::setAlpha(double alpha)
{
    fade_.set(alpha);
}

double HUDWindowWidget::alpha() const
{
    return windowOpacity();
}

void HUDWindowWidget::orderFront()
{
    show();
    raise();
}

void HUDWindowWidget::orderOut()
{
    hide();
}

bool HUDWindowWidget::isVisible() const
{
    return QWidget::isVisible();
}

void HUDWindowWidget::animateAlpha(double target, double seconds, std::function<void()> completion)
{
    fade_.animate(target, seconds, std::move(completion));
}

void HUDWindowWidget::paintEvent(QPaintEvent*)
{
    QColor outline = kAmber;
    outline.setAlphaF(0.15f);
    QtPanelStyle::paintBody(*this, cornerRadius, QColor(28, 28, 30, 225), outline);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QFont font = messageFont();
    const qreal textWidth = width() - 2 * horizontalPadding - kIconSize - spacing;
    const QStringList lines = wrapped(QString::fromStdString(view_.message), font, textWidth);
    const QFontMetricsF metrics(font);
    const qreal textHeight = metrics.lineSpacing() * static_cast<qreal>(lines.size());
    const qreal contentWidth = kIconSize + spacing + [&] {
        qreal widest = 0;
        for (const QString& line : lines) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
        }
        return widest;
    }();
    // The stack is centred, as a hosted view centres its content.
    const qreal left = std::max<qreal>(horizontalPadding, (width() - contentWidth) / 2);
    const QPixmap icon =
        SymbolIcon::pixmap(view_.resolvedImageName(), kAmber, kIconSize, devicePixelRatioF());
    painter.drawPixmap(QPointF(left, (height() - kIconSize) / 2.0), icon);

    painter.setFont(font);
    painter.setPen(Qt::white);
    qreal baseline = (height() - textHeight) / 2 + metrics.ascent();
    for (const QString& line : lines) {
        painter.drawText(QPointF(left + kIconSize + spacing, baseline), line);
        baseline += metrics.lineSpacing();
    }
}

}  // namespace qm
