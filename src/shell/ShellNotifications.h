#pragma once

// The names of the notifications the application shell observes on the app's
// NotificationCenter, posted by any component on the main thread.
namespace qm::ShellNotifications {

// Shows a transient HUD message: userInfo "message" (string, required) and
// "systemImage" (string, optional symbol name). Dropped within the quiet
// window after a landed capture.
inline constexpr const char* showHUDMessage = "ShowHUDMessage";

}  // namespace qm::ShellNotifications
