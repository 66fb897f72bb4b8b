#pragma once

// The names of the notifications the application shell observes on the app's
// NotificationCenter, posted by any component on the main thread, and of the
// ones it posts and hears across processes.
namespace qm::ShellNotifications {

// Shows a transient HUD message: userInfo "message" (string, required) and
// "systemImage" (string, optional symbol name). Dropped within the quiet
// window after a landed capture.
inline constexpr const char* showHUDMessage = "ShowHUDMessage";

// A capture failed or cannot start (or a notice that is no failure): the
// shell's alert. userInfo built by CaptureFailureNotice; CaptureFailureRequest
// reads it.
inline constexpr const char* presentCaptureFailure = "PresentCaptureFailure";

// Switches the settings window to a page: userInfo "section" (a settings page's
// raw name) and optionally "field" (the card to highlight).
inline constexpr const char* selectSettingsSection = "SelectSettingsSection";

// Distributed (cross-process): another program shows a HUD message; the
// notification's object is the message.
inline constexpr const char* distributedHUDShow = "com.quillmarker.hud.show";

}  // namespace qm::ShellNotifications
