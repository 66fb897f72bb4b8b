#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QWidget>

#include "capture/CaptureOverlayPanel.h"
#include "platform/display/Rect.h"
#include "platform/linux/display/QtWindowFade.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"

namespace qm {

class CaptureOverlayView;
class CaptureRouterController;
class Clock;
class MainLoop;
class OwnWindowKeyboardGuard;
class QtMouseDownMonitor;
class QtWindow;
class Screens;
class UserDefaults;

// The capture overlay on screen: a frameless window above the others, with
// a translucent dark background with 8-point corners, 340 wide and as high
// as its content (at least 100), centred 8 points under the caret (above it
// when there is no room below; CaptureOverlayGeometry). It takes the keyboard
// while a capture is open, registers with the own-window keyboard guard so
// the event tap lets keys through to it, refits itself on
// "UpdateCapturePanelSize", and turns Esc and clicks outside it (after the
// first 0.35 s) into a cancelled capture.
//
// Fades: in over 0.15 s, out over 0.1 s. Their ends, the re-focus 0.05 s
// after showing and the outside-click grace all run on the injected main
// loop and clock; each checks that the panel still lives, and a fade-out
// ends in ordering out only if no show came after it (the hide generation).
//
// GUI thread only; the router calls it on its main thread, which must be
// this one.
class CaptureOverlayPanelWidget final : public QWidget, public CaptureOverlayPanel {
public:
    static constexpr double fadeInDuration = 0.15;
    static constexpr double fadeOutDuration = 0.1;
    static constexpr double refocusDelay = 0.05;
    static constexpr double cornerRadius = 8;

    // Every reference must outlive the panel. `center` is where the router
    // posts "UpdateCapturePanelSize" and where this window posts its key
    // notifications for `guard`.
    CaptureOverlayPanelWidget(MainLoop& mainLoop, const Clock& clock, CaptureRouterController& router,
                              NotificationCenter& center, const Screens& screens,
                              const UserDefaults& defaults, OwnWindowKeyboardGuard& guard);
    ~CaptureOverlayPanelWidget() override;

    void update(const std::string& targetName) override;
    void show(const Rect& caret) override;
    void hide() override;

    // Resizes and re-places the panel for its content (what
    // "UpdateCapturePanelSize" runs).
    void handleSizeUpdate();

    CaptureOverlayView& view() { return *view_; }
    std::uint64_t hideGeneration() const { return fade_.hideGeneration(); }
    // The caret of the last show, in screen coordinates.
    const std::optional<Rect>& currentCaretRect() const { return currentCaretRect_; }
    // Screen coordinates (bottom-left origin).
    Rect screenFrame() const;
    // The alpha the panel has or is fading to: a fade sets it at its start,
    // as the platform's animator does, while Qt draws the way there.
    double alpha() const { return fade_.alpha(); }

    // A mouse-down seen by the monitors (public for the tests of the rule).
    void handleMouseDown(bool isGlobal, const void* window, Point location);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void startOutsideClickMonitoring();
    void stopOutsideClickMonitoring();

    MainLoop& mainLoop_;
    const Clock& clock_;
    CaptureRouterController& router_;
    NotificationCenter& center_;
    const Screens& screens_;
    OwnWindowKeyboardGuard& guard_;

    CaptureOverlayView* view_ = nullptr;
    std::unique_ptr<QtWindow> window_;
    bool isProgrammaticPositioning_ = false;
    std::optional<Rect> currentCaretRect_;
    QtWindowFade fade_;
    std::unique_ptr<QtMouseDownMonitor> localMouseMonitor_;
    std::unique_ptr<QtMouseDownMonitor> globalMouseMonitor_;
    double ignoreOutsideClicksUntil_ = 0;
    NotificationCenter::ObserverToken sizeObserver_;
    AliveToken alive_;
};

}  // namespace qm
