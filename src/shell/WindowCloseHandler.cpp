#include "shell/WindowCloseHandler.h"

#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

namespace {

constexpr const char* kHasCompletedOnboarding = "hasCompletedOnboarding";

template <class F> void callIfSet(const F& hook)
{
    if (hook) {
        hook();
    }
}

}  // namespace

WindowCloseHandler::WindowCloseHandler(MainLoop& mainLoop, UserDefaults& defaults, Hooks hooks)
    : mainLoop_(mainLoop), defaults_(defaults), hooks_(std::move(hooks))
{
}

void WindowCloseHandler::windowWillClose(ClosingWindow window)
{
    switch (window) {
    case ClosingWindow::settings:
        mainLoop_.post(alive_.guard([this] {
            callIfSet(hooks_.switchToAccessoryPolicy);
            callIfSet(hooks_.replaceStatusItem);
        }));
        return;
    case ClosingWindow::onboarding:
        callIfSet(hooks_.forgetOnboardingWindow);
        // Closing without finishing still starts the agent; onboarding shows again next time.
        if (!defaults_.boolForKey(kHasCompletedOnboarding)) {
            mainLoop_.post(alive_.guard([this] { callIfSet(hooks_.activateMenuBarAgentAndStartServices); }));
        }
        return;
    case ClosingWindow::other:
        return;
    }
}

}  // namespace qm
