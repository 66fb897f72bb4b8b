#pragma once

// The identifiers of the notification that announces a downloaded update: the
// request, its category, and the category's one action.
namespace qm::UpdateNotification {

inline constexpr const char* notificationId = "QUILLMRKER_APP_UPDATE";
inline constexpr const char* categoryId = "QUILLMRKER_UPDATE";
inline constexpr const char* restartActionId = "RESTART_TO_UPDATE";

}  // namespace qm::UpdateNotification
