#include "settings/views/SettingsStyle.h"

#include <cmath>

#include <QFontMetrics>
#include <QLayout>
#include <QTextLayout>

#include "shell/views/PlainTextLabel.h"
#include "shell/views/SymbolIcon.h"

namespace qm::SettingsStyle {

QLabel* plainLabel(std::string_view text, const QFont& font, const QColor& color, bool wrap)
{
    auto* label = new PlainTextLabel(font, color);
    label->setPlainText(text);
    label->setWordWrap(wrap);
    return label;
}

QLabel* symbol(std::string_view name, const QColor& color, int size)
{
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    setSymbol(label, name, color, size);
    label->setFixedSize(size + 4, size + 4);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

void setSymbol(QLabel* label, std::string_view name, const QColor& color, int size)
{
    label->setPixmap(SymbolIcon::pixmap(name, color, size));
}

WrappedText wrapText(std::string_view text, const QFont& font, int width, int maxLines)
{
    // Only as much as the lines shown can hold is laid out: a capture may be
    // a whole pasted page.
    constexpr qsizetype kCharactersPerLine = 400;
    QString source = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    bool cut = false;
    if (maxLines > 0 && source.size() > maxLines * kCharactersPerLine) {
        source.truncate(maxLines * kCharactersPerLine);
        cut = true;
    }
    source.replace(QChar('\n'), QChar::LineSeparator);
    QTextLayout layout(source, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    int lines = 0;
    qsizetype lastStart = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (maxLines > 0 && lines == maxLines) {
            cut = true;
            break;
        }
        height += line.height();
        lastStart = line.textStart();
        ++lines;
    }
    layout.endLayout();
    WrappedText wrapped{source, static_cast<int>(std::ceil(height))};
    if (cut) {
        QString rest = source.mid(lastStart);
        rest.replace(QChar::LineSeparator, QChar(' '));
        wrapped.text = source.left(lastStart) +
                       QFontMetrics(font).elidedText(rest + QChar(0x2026), Qt::ElideRight, width);
    }
    wrapped.text.replace(QChar::LineSeparator, QChar('\n'));
    return wrapped;
}

void clear(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A row's own button may be the one being clicked.
            widget->hide();
            widget->deleteLater();
        } else if (QLayout* child = item->layout()) {
            clear(child);
        }
        delete item;
    }
}

}  // namespace qm::SettingsStyle
