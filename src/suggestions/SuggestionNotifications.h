#pragma once

// The names of the notifications the suggestion panel and its content post on
// the app's NotificationCenter, on the main thread, synchronously (their
// observers have run when the post returns).
namespace qm::SuggestionNotifications {

// The user confirmed the AI answer: userInfo "text" (string) is the answer to
// write into the focused field.
inline constexpr const char* insertAIText = "InsertAIText";
inline constexpr const char* insertAITextKey = "text";
// The chips switched between a row and a column; the panel refits. No userInfo.
inline constexpr const char* popupOrientationChanged = "PopupOrientationChanged";
// The user asked for the panel's default place: the frontmost application's
// saved offset is forgotten. No userInfo.
inline constexpr const char* resetPanelPosition = "ResetPanelPosition";

}  // namespace qm::SuggestionNotifications
