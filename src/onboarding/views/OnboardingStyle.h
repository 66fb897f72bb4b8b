#pragma once

#include <string>

#include <QColor>
#include <QFont>

class QLabel;
class QScrollArea;
class QWidget;

namespace qm {

// The colours and text styles of the onboarding window: the gold accent, the
// muted secondary text, the named colours on its dark background, and labels
// that show their text verbatim.
class OnboardingStyle {
public:
    OnboardingStyle() = delete;

    static QColor brandGold() { return QColor::fromRgbF(0.9f, 0.65f, 0.2f); }
    // The system's light grey (2/3) at 0.7.
    static QColor textMuted() { return withOpacity(QColor::fromRgbF(0.667f, 0.667f, 0.667f), 0.7); }
    static QColor white(qreal opacity = 1.0) { return withOpacity(Qt::white, opacity); }
    static QColor black(qreal opacity = 1.0) { return withOpacity(Qt::black, opacity); }
    static QColor green() { return QColor(50, 215, 75); }
    static QColor orange() { return QColor(255, 159, 10); }
    static QColor blue() { return QColor(10, 132, 255); }
    static QColor purple() { return QColor(191, 90, 242); }
    static QColor gray() { return QColor(142, 142, 147); }
    // The window background colour of a dark appearance.
    static QColor windowBackground() { return QColor(30, 30, 30); }
    static QColor withOpacity(QColor colour, qreal opacity);

    // "Rounded" designs use the system face: this desktop has no rounded one.
    static QFont font(double points, bool bold = false);
    static QFont semibold(double points);
    static QFont medium(double points);
    static QFont mono(double points, bool bold = false);

    // A plain-text label in `font` and `colour`.
    static QLabel* label(const std::string& text, const QFont& font, const QColor& colour,
                         QWidget* parent = nullptr);
    static void setColour(QLabel& label, const QColor& colour);
    // A vertical scroll view of `content` on the window's own background,
    // with no frame and no keyboard focus of its own.
    static QScrollArea* scrollArea(QWidget* content, QWidget* parent);
};

}  // namespace qm
