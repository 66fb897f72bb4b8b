#include "shell/views/PlainTextLabel.h"

#include <QPalette>

namespace qm {

PlainTextLabel::PlainTextLabel(const QFont& font, const QColor& colour, QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setFont(font);
    setColour(colour);
}

void PlainTextLabel::setPlainText(std::string_view text)
{
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (this->text() != value) {
        setText(value);
    }
}

void PlainTextLabel::setColour(const QColor& colour)
{
    QPalette colours = palette();
    if (colours.color(QPalette::WindowText) != colour) {
        colours.setColor(QPalette::WindowText, colour);
        setPalette(colours);
    }
}

}  // namespace qm
