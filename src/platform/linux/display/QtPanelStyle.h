#pragma once

#include <QtGlobal>

class QColor;
class QWidget;

namespace qm {

// Frameless floating windows of this program: above normal windows, no title
// bar, no taskbar entry, a transparent background for rounded content. Where
// there is no compositor the corners are not see-through; nothing else
// changes, and where there is no window manager the panels still show and
// hide.
class QtPanelStyle {
public:
    enum class Activation {
        // Takes the keyboard when shown (the capture overlay).
        activating,
        // Never takes the keyboard or the activation (the HUD).
        nonActivating,
    };
    enum class Clicks {
        // Clicks reach the panel.
        received,
        // Clicks pass through to whatever lies beneath, for good.
        passThrough,
    };

    // Before the window is first shown.
    static void apply(QWidget& window, Activation activation, Clicks clicks);

    // While set, the panel's content ignores clicks (a fading panel).
    static void setIgnoresMouseEvents(QWidget& window, bool ignores);
    static bool ignoresMouseEvents(const QWidget& window);

    // Paints the panel's rounded, translucent body with a one-pixel outline;
    // from the window's paint event.
    static void paintBody(QWidget& window, qreal cornerRadius, const QColor& fill, const QColor& outline);
};

}  // namespace qm
