#pragma once

#include <string>

#include "platform/display/Rect.h"

namespace qm {

// The small window at the caret in which a capture is typed. The capture router
// makes one on the first capture, keeps it, and drives it from the main thread:
// update() with the command word, then show() when capture mode opens, hide()
// when it ends. The panel's content reads the router's capture state and writes
// the message field back through the router.
//
// The app's panel is a Qt window in views/; SimCaptureOverlayPanel stands in
// for it on the stand-in desktop.
class CaptureOverlayPanel {
public:
    virtual ~CaptureOverlayPanel() = default;

    // Shows the content for the command word ("note", "slack", "calc" ...).
    virtual void update(const std::string& targetName) = 0;
    // `caret` is in Accessibility coordinates (top-left origin of the primary
    // screen, y down). Places the panel at the caret, shows it and makes it the
    // key window, so that typed keys reach its message field.
    virtual void show(const Rect& caret) = 0;
    // Fades the panel out, unless a newer show() came in meanwhile.
    virtual void hide() = 0;
};

}  // namespace qm
