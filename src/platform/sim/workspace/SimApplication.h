#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/accessibility/AXUIElement.h"
#include "platform/display/Rect.h"
#include "platform/keyboard/KeyEvent.h"
#include "platform/sim/accessibility/SimElement.h"
#include "platform/sim/accessibility/SimTreeAvailability.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

class SimDesktopState;

// A test's handle on one application of the stand-in desktop. Copyable;
// every call is thread-safe.
class SimApplication {
public:
    SimApplication(std::shared_ptr<SimDesktopState> state, std::int32_t pid);

    std::int32_t pid() const { return pid_; }
    RunningApplication runningApplication() const;
    AXUIElement axElement() const;

    // As the workspace's activate: posts the did-activate notification.
    bool activate() const;
    bool isFrontmost() const;
    // Quits: its elements become invalid, its observers hear nothing more.
    void terminate() const;

    // A new window; the first one becomes the focused window.
    SimElement addWindow(std::string title, Rect frame = Rect(0, 25, 1280, 800)) const;
    // The element with the keyboard focus in this application; 0 for none.
    std::uint64_t focusedElementId() const;

    // A menu (a pop-up, a completion list) that takes the focus until it is
    // closed, by closeMenu() or by Escape or Return; then the focus goes back.
    SimElement openMenu(const std::vector<std::string>& items, Rect frame) const;
    void closeMenu() const;

    void setTreeAvailability(SimTreeAvailability availability) const;
    // Whether the application has "AXManualAccessibility" (false by default,
    // as native applications) and "AXEnhancedUserInterface" (true by default).
    void setAcceptsManualAccessibility(bool accepts) const;
    void setAcceptsEnhancedUserInterface(bool accepts) const;
    bool manualAccessibility() const;
    bool enhancedUserInterface() const;

    // An application this slow answers no Accessibility call whose messaging
    // timeout is shorter (cannotComplete).
    void setResponseDelay(double seconds) const;

    // For an application that handles keys itself (this program's own panels):
    // called on the sending thread with every event that reaches it.
    void setKeyHandler(std::function<void(const KeyEvent&)> handler) const;

private:
    std::shared_ptr<SimDesktopState> state_;
    std::int32_t pid_;
};

}  // namespace qm
