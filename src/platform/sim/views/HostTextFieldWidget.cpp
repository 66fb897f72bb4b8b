#include "platform/sim/views/HostTextFieldWidget.h"

#include <algorithm>
#include <cmath>
#include <string>

#include <QEvent>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "base/CharacterBreaks.h"
#include "base/Text.h"
#include "platform/linux/display/QtScreenGeometry.h"
#include "platform/sim/accessibility/SimTextLayout.h"
#include "platform/sim/keyboard/KeyboardDriver.h"
#include "platform/sim/views/QtKeyTranslation.h"

namespace qm {

namespace {

QFont fieldFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    return font;
}

QRectF rectOf(const Rect& rect, const Rect& frame)
{
    return {rect.x() - frame.x(), rect.y() - frame.y(), std::max(rect.width(), 1.0), rect.height()};
}

}  // namespace

HostTextFieldWidget::HostTextFieldWidget(SimTextField field, KeyboardDriver& keyboard, QWidget* parent)
    : QWidget(parent), field_(std::move(field)), keyboard_(keyboard)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFont(fieldFont());
    setCursor(Qt::IBeamCursor);
    field_.setChangeHandler(alive_.guard([this] { update(); }));
}

HostTextFieldWidget::~HostTextFieldWidget()
{
    field_.setChangeHandler(nullptr);
}

QSize HostTextFieldWidget::sizeHint() const
{
    return {400, 22};
}

void HostTextFieldWidget::syncFrame()
{
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    field_.setFrame(QtScreenGeometry::toAccessibility(QRectF(QPointF(topLeft), QSizeF(size()))));
}

bool HostTextFieldWidget::event(QEvent* event)
{
    // Tab and Shift-Tab are the field's keys (the stand-in decides what they
    // do), not Qt's focus chain; no shortcut may take a key before the tap.
    if (event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void HostTextFieldWidget::keyPressEvent(QKeyEvent* event)
{
    send(event);
}

void HostTextFieldWidget::keyReleaseEvent(QKeyEvent* event)
{
    send(event);
}

void HostTextFieldWidget::send(QKeyEvent* event)
{
    event->accept();
    if (const auto translated = QtKeyTranslation::keyEvent(*event)) {
        keyboard_.send(*translated);
    }
    update();
}

void HostTextFieldWidget::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const std::u16string text = text::toUtf16(field_.value());
    const double x = event->position().x() - SimTextLayout::insetX;
    const double y = event->position().y() - SimTextLayout::insetY;
    const auto line = static_cast<std::size_t>(std::max(0.0, std::floor(y / SimTextLayout::lineHeight)));
    const auto column = static_cast<std::size_t>(std::max(0.0, std::round(x / SimTextLayout::advance)));
    const std::size_t offset = SimTextLayout::offsetAt(text, line, column);
    field_.select(AXTextRange{static_cast<std::int64_t>(offset), 0});
    field_.focus();
    update();
}

void HostTextFieldWidget::focusInEvent(QFocusEvent* event)
{
    field_.focus();
    QWidget::focusInEvent(event);
}

void HostTextFieldWidget::moveEvent(QMoveEvent* event)
{
    syncFrame();
    QWidget::moveEvent(event);
}

void HostTextFieldWidget::resizeEvent(QResizeEvent* event)
{
    syncFrame();
    QWidget::resizeEvent(event);
}

void HostTextFieldWidget::showEvent(QShowEvent* event)
{
    syncFrame();
    QWidget::showEvent(event);
}

void HostTextFieldWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QColor(hasFocus() ? 0x4a90d9 : 0xb0b0b0));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(bounds, 3, 3);

    const std::u16string text = text::toUtf16(field_.value());
    const AXTextRange selection = field_.selectedRange();
    const Rect frame = field_.frame();
    const auto start = static_cast<std::size_t>(std::max<std::int64_t>(selection.location, 0));
    const auto end =
        std::min(text.size(), start + static_cast<std::size_t>(std::max<std::int64_t>(selection.length, 0)));

    if (end > start) {
        // One band per line of the selection, as the layout measures it.
        std::size_t lineStart = start;
        while (lineStart < end) {
            const std::size_t newline = text.find(u'\n', lineStart);
            const std::size_t lineEnd = newline == std::u16string::npos ? end : std::min(end, newline);
            painter.fillRect(rectOf(SimTextLayout::boundsForRange(text, frame, lineStart, lineEnd), frame),
                             QColor(0xb5, 0xd5, 0xff));
            lineStart = lineEnd + 1;
        }
    }

    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font());
    text::CharacterBreaks breaks(text);
    std::size_t offset = 0;
    while (offset < text.size()) {
        const std::size_t next = breaks.following(offset);
        const std::u16string_view character = std::u16string_view(text).substr(offset, next - offset);
        if (character != u"\n") {
            const Rect box = SimTextLayout::boundsForRange(text, frame, offset, offset);
            const QRectF cell = rectOf(box, frame);
            const QString glyph =
                QString::fromUtf16(character.data(), static_cast<qsizetype>(character.size()));
            painter.drawText(
                QPointF(cell.x(), cell.y() + (cell.height() + metrics.ascent() - metrics.descent()) / 2),
                glyph);
        }
        offset = next;
    }

    if (hasFocus() && end == start) {
        const QRectF caret = rectOf(SimTextLayout::boundsForRange(text, frame, start, start), frame);
        painter.fillRect(QRectF(caret.x(), caret.y() + 1, 1.5, caret.height() - 2), Qt::black);
    }
}

}  // namespace qm
