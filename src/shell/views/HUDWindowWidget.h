#pragma once

#include <functional>

#include <QWidget>

#include "platform/linux/display/QtWindowFade.h"
#include "shell/HUDWindow.h"

namespace qm {

class MainLoop;

// The HUD's pill on screen: a frameless, non-activating window above the
// others that clicks pass through, drawn as a translucent dark rounded
// rectangle (radius 12) with a faint amber outline, the amber symbol (bold,
// 14 points) and then the message in white semibold 12.5 points, at most two
// lines (a longer message ends in "…"). The message is plain text.
//
// The fade is drawn by Qt; its end is a delayed block on the main loop, so
// the panel's timing is the main loop's. Setting the alpha directly stops a
// running fade. GUI thread.
class HUDWindowWidget final : public QWidget, public HUDWindow {
public:
    static constexpr double cornerRadius = 12;
    static constexpr double horizontalPadding = 16;
    static constexpr double verticalPadding = 11;
    static constexpr double spacing = 10;

    // `mainLoop` is Qt's (or the tests' manual one) and outlives the window.
    explicit HUDWindowWidget(MainLoop& mainLoop);
    ~HUDWindowWidget() override;

    void setContent(const HUDView& view) override;
    void setFrame(const Rect& frame) override;
    Rect frame() const override;
    void setAlpha(double alpha) override;
    double alpha() const override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override;
    void animateAlpha(double target, double seconds, std::function<void()> completion) override;

    const HUDView& content() const { return view_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HUDView view_;
    QtWindowFade fade_;
};

}  // namespace qm
