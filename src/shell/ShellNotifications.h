#pragma once

// The names of the notifications the application shell observes on the app's
// NotificationCenter, posted by any component on the main thread.
namespace qm::ShellNotifications {

// Shows a transient HUD message: userInfo "message" (string, required) and
// "systemImage" (string, optional symbol name). Dropped within the quiet
// window after a landed capture.
inline constexpr const char* showHUDMessage = "ShowHUDMessage";

// Switches the settings window to a page: userInfo "section" holds the page's
// raw name ("Scheduled", "History" ...), optional "field" a card to highlight.
// Observed by the settings window.
inline constexpr const char* selectSettingsSection = "SelectSettingsSection";

}  // namespace qm::ShellNotifications
