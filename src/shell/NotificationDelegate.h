#pragma once

#include <functional>

#include "platform/notifications/UserNotificationCenterDelegate.h"

namespace qm {

class MainLoop;

// The delegate of the user-notification centre. While the program is in
// front, its notifications (timers, alarms, the update) still show as a
// banner, in the list and with sound. A click on the update notification, or
// its "Restart to Update" action, installs the pending update: the install is
// handed to the main loop, and the centre gets its answer at once, before the
// installer shows anything. Other responses only complete.
//
// The centre may call it on any thread; it keeps no state of its own.
class NotificationDelegate final : public UserNotificationCenterDelegate {
public:
    // Banner, list and sound (26); never a badge.
    static constexpr PresentationOptions presentationOptions = banner | list | sound;

    // `restartToUpdate` installs the pending update, on the main thread; empty
    // while the program has no update checker. `mainLoop` must outlive the delegate.
    NotificationDelegate(MainLoop& mainLoop, std::function<void()> restartToUpdate);

    void willPresent(const UserNotification& notification,
                     std::function<void(PresentationOptions)> completion) override;
    void didReceive(const UserNotificationResponse& response, std::function<void()> completion) override;

private:
    MainLoop& mainLoop_;
    const std::function<void()> restartToUpdate_;
};

}  // namespace qm
