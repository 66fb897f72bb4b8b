#include "onboarding/views/OnboardingStyle.h"

#include <QLabel>
#include <QScrollArea>

#include "shell/views/PlainTextLabel.h"
#include "shell/views/ViewFonts.h"

namespace qm {

QColor OnboardingStyle::withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(static_cast<float>(colour.alphaF() * opacity));
    return colour;
}

QFont OnboardingStyle::font(double points, bool bold)
{
    return ViewFonts::system(points, bold ? ViewFonts::Weight::bold : ViewFonts::Weight::regular);
}

QFont OnboardingStyle::semibold(double points)
{
    return ViewFonts::system(points, ViewFonts::Weight::semibold);
}

QFont OnboardingStyle::medium(double points)
{
    return ViewFonts::system(points, ViewFonts::Weight::medium);
}

QFont OnboardingStyle::mono(double points, bool bold)
{
    return ViewFonts::mono(points, bold ? ViewFonts::Weight::bold : ViewFonts::Weight::regular);
}

QLabel* OnboardingStyle::label(const std::string& text, const QFont& font, const QColor& colour,
                               QWidget* parent)
{
    auto* made = new PlainTextLabel(font, colour, parent);
    made->setPlainText(text);
    return made;
}

void OnboardingStyle::setColour(QLabel& label, const QColor& colour)
{
    QPalette colours = label.palette();
    if (colours.color(QPalette::WindowText) != colour) {
        colours.setColor(QPalette::WindowText, colour);
        label.setPalette(colours);
    }
}

QScrollArea* OnboardingStyle::scrollArea(QWidget* content, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setStyleSheet(QStringLiteral(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 64); border-radius: 3px; min-height: "
        "24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }"));
    scroll->setWidget(content);
    return scroll;
}

}  // namespace qm
