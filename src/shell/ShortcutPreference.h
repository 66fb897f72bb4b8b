#pragma once

namespace qm::ShortcutPreference {

// Posted on the app's NotificationCenter (no object, no userInfo) after the
// shortcut modifiers in the user defaults changed: by the last onboarding step
// and by the settings' shortcut recorder. The event tap reloads them.
inline constexpr const char* changedNotification = "ShortcutPreferenceChanged";

}  // namespace qm::ShortcutPreference
