#pragma once

#include <functional>

#include "platform/runtime/AliveToken.h"

namespace qm {

class MainLoop;
class UserDefaults;

// What happens when one of the program's own windows closes.
//
// - The settings window: later on the main loop, the program goes back to
//   being a status-bar agent (accessory), and its status item is built anew.
// - The onboarding window: it is forgotten at once; when onboarding was not
//   finished ("hasCompletedOnboarding" false), the status-bar agent and its
//   services still start, later on the main loop, and onboarding shows again
//   at the next launch.
// - Any other window: nothing.
//
// Its owner (the application delegate) owns the window references and the
// status item; the hooks reach them. Nothing scheduled runs once the handler
// is gone. Main thread.
class WindowCloseHandler {
public:
    enum class ClosingWindow {
        settings,
        onboarding,
        other,
    };

    struct Hooks {
        std::function<void()> switchToAccessoryPolicy;
        // Removes the status item (when there is one) and builds a new one.
        std::function<void()> replaceStatusItem;
        std::function<void()> forgetOnboardingWindow;
        std::function<void()> activateMenuBarAgentAndStartServices;
    };

    // `mainLoop` and `defaults` must outlive the handler. Empty hooks are skipped.
    WindowCloseHandler(MainLoop& mainLoop, UserDefaults& defaults, Hooks hooks);
    WindowCloseHandler(const WindowCloseHandler&) = delete;
    WindowCloseHandler& operator=(const WindowCloseHandler&) = delete;

    void windowWillClose(ClosingWindow window);

private:
    MainLoop& mainLoop_;
    UserDefaults& defaults_;
    Hooks hooks_;
    AliveToken alive_;
};

}  // namespace qm
