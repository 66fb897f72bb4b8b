#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "capture/CaptureOverlayPanel.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/runtime/AliveToken.h"

namespace qm {

class CaptureRouterController;
class MainLoop;
class NotificationCenter;

// The capture overlay on the stand-in desktop, for tests and benchmarks. It
// records what the router asks of it, and plays the overlay's message field:
// the app's overlay is a key window of this program whose text field receives
// the typed keys (the event tap lets every key through while capture mode is
// open). On the stand-in desktop the router activates this program when the
// overlay shows, so the keyboard's keys reach this program; whoever wires the
// desktop hands them to keyDown() (SimApplication::setKeyHandler of the
// desktop's own application). While the panel is shown, keyDown() then edits
// the router's message field on the main loop as the overlay's field would:
// typed text is appended, Delete removes the last character, Return commits,
// Esc cancels, and Tab confirms the highlighted row of an unconfirmed picker.
// Keys with Command or Control type nothing; other keys do nothing.
class SimCaptureOverlayPanel final : public CaptureOverlayPanel {
public:
    struct Call {
        enum class Kind { update, show, hide };
        Kind kind;
        std::string targetName;  // update
        Rect caret;              // show

        friend bool operator==(const Call&, const Call&) = default;
    };

    // The references must outlive the panel.
    SimCaptureOverlayPanel(MainLoop& mainLoop, CaptureRouterController& router,
                           NotificationCenter& notificationCenter);
    SimCaptureOverlayPanel(const SimCaptureOverlayPanel&) = delete;
    SimCaptureOverlayPanel& operator=(const SimCaptureOverlayPanel&) = delete;

    void update(const std::string& targetName) override;
    void show(const Rect& caret) override;
    void hide() override;

    // A key that reached this program; any thread. Handled on the main loop,
    // and only if the panel is still shown then.
    void keyDown(const KeyEvent& event);

    // Any thread.
    std::vector<Call> calls() const;
    bool isShown() const;

private:
    void handleKey(const KeyEvent& event);
    void edit(std::string text);

    MainLoop& mainLoop_;
    CaptureRouterController& router_;
    NotificationCenter& notificationCenter_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    bool shown_ = false;
    AliveToken alive_;
};

}  // namespace qm
