#pragma once

#include "shell/ShellNotifications.h"

// The names of the notifications the keyboard pipeline posts on the app's
// NotificationCenter (and the AI prompt names it also observes). Posted on
// the main thread.
namespace qm::CaptureNotifications {

// A capture failed or cannot start; userInfo built by CaptureFailureNotice.
inline constexpr const char* presentCaptureFailure = ShellNotifications::presentCaptureFailure;
// A trigger was recognised: the suggestion overlay goes away. No userInfo.
inline constexpr const char* hideSuggestionsOverlay = "HideSuggestionsOverlay";
// The capture overlay's content changed size. No userInfo.
inline constexpr const char* updateCapturePanelSize = "UpdateCapturePanelSize";

// Control+Space: suggestions on demand. No userInfo.
inline constexpr const char* triggerManualSuggestions = "TriggerManualSuggestions";
// Control+Shift+Space: the AI prompt opens (and the tap enters prompt mode).
inline constexpr const char* triggerAIQuickActions = "TriggerAIQuickActions";
// Keys of the open AI prompt; the last two also end prompt mode.
inline constexpr const char* appendAIPromptChar = "AppendAIPromptChar";  // userInfo "text"
inline constexpr const char* deleteAIPromptChar = "DeleteAIPromptChar";
inline constexpr const char* cycleAIActionLeft = "CycleAIActionLeft";
inline constexpr const char* cycleAIActionRight = "CycleAIActionRight";
inline constexpr const char* commitAIPrompt = "CommitAIPrompt";
inline constexpr const char* cancelAIPrompt = "CancelAIPrompt";
// Tab and Esc while a placeholder is being filled in.
inline constexpr const char* tabPlaceholderPressed = "TabPlaceholderPressed";
inline constexpr const char* escapePlaceholderPressed = "EscapePlaceholderPressed";
// Control+0: suggestions muted or unmuted; userInfo "bundleId" and "muted".
inline constexpr const char* togglePerAppMute = "TogglePerAppMute";

}  // namespace qm::CaptureNotifications
