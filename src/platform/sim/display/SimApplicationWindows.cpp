#include "platform/sim/display/SimApplicationWindows.h"

#include <string>

#include "platform/display/Window.h"
#include "platform/notifications/NotificationCenter.h"

namespace qm {

void SimApplicationWindows::makeKey(const void* window, bool postNotifications)
{
    if (window == key_) {
        return;
    }
    const void* previous = key_;
    key_ = window;
    if (!postNotifications) {
        return;
    }
    if (previous) {
        center_.post(std::string(Window::didResignKeyNotification), previous);
    }
    if (window) {
        center_.post(std::string(Window::didBecomeKeyNotification), window);
    }
}

void SimApplicationWindows::forget(const void* window)
{
    if (key_ == window) {
        key_ = nullptr;
    }
}

}  // namespace qm
