#pragma once

// The names the capture targets post on the app's NotificationCenter, and the
// notification categories of timers and alarms.
namespace qm::TargetsNotifications {

// A timer or alarm was scheduled, cancelled or came due. No object, no userInfo.
inline constexpr const char* scheduledCapturesChanged = "ScheduledCapturesChanged";

inline constexpr const char* timerCategory = "QUILLMRKER_TIMER";
inline constexpr const char* alarmCategory = "QUILLMRKER_ALARM";

// The userInfo keys of timer and alarm requests: seconds since 1970.
inline constexpr const char* scheduledAtKey = "qm_scheduledAt";
inline constexpr const char* fireAtKey = "qm_fireAt";

}  // namespace qm::TargetsNotifications
