#include "settings/views/SettingsStyle.h"

#include <QLayout>

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
