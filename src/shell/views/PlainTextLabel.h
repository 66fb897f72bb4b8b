#pragma once

#include <string>
#include <string_view>

#include <QColor>
#include <QFont>
#include <QLabel>

namespace qm {

// A label that shows its text as plain text, never as markup: the windows
// show what the user typed, what a note holds, what a server or a language
// model answered. Setting the same text or colour again changes nothing.
class PlainTextLabel final : public QLabel {
public:
    PlainTextLabel(const QFont& font, const QColor& colour, QWidget* parent = nullptr);

    void setPlainText(std::string_view text);
    void setColour(const QColor& colour);
};

}  // namespace qm
