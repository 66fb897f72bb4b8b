#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QString>

namespace qm::SettingsStyle {

inline QColor brandGold()
{
    return QColor::fromRgbF(0.9f, 0.65f, 0.2f);
}
inline QColor textMuted()
{
    return QColor(0x6e, 0x6e, 0x73);
}

// A label that shows its text as it is: captured text, error descriptions,
// search echoes and paths are never read as markup.
QLabel* plainLabel(std::string_view text, const QFont& font, const QColor& color = QColor(0x1d, 0x1d, 0x1f),
                   bool wrap = false);

// A symbol drawn at `size` points in `color`.
QLabel* symbol(std::string_view name, const QColor& color, int size);
// Redraws a label made by symbol() with another symbol or colour.
void setSymbol(QLabel* label, std::string_view name, const QColor& color, int size);

// `text` as it shows wrapped at `width` in `font`: with `maxLines` above 0,
// cut after that many lines, the last one ending in "…". The height is that
// of the lines shown.
struct WrappedText {
    QString text;
    int height = 0;
};
WrappedText wrapText(std::string_view text, const QFont& font, int width, int maxLines = 0);

// Removes and deletes every item of a layout (the rows a page rebuilds).
void clear(QLayout* layout);

}  // namespace qm::SettingsStyle
