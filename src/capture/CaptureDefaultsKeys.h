#pragma once

// The user-defaults keys the keyboard pipeline reads, as the settings write them.
namespace qm::CaptureDefaultsKeys {

// The modifiers that pick a suggestion with a digit: Control is on unless it
// holds a false Boolean, the others only when they hold a true one.
inline constexpr const char* shortcutHasControl = "shortcutHasControl";
inline constexpr const char* shortcutHasOption = "shortcutHasOption";
inline constexpr const char* shortcutHasShift = "shortcutHasShift";
inline constexpr const char* shortcutHasCommand = "shortcutHasCommand";

}  // namespace qm::CaptureDefaultsKeys
