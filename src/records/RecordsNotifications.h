#pragma once

// The names of the notifications the capture records post on the app's
// NotificationCenter, as the program's pages observe them. None carries an
// object or userInfo.
namespace qm::RecordsNotifications {

// A capture attempt was recorded (posted on the main loop) or the history was
// cleared (posted on the clearing thread).
inline constexpr const char* captureHistoryChanged = "CaptureHistoryChanged";
// A failed capture was saved to the recovery log, or the log was cleared.
inline constexpr const char* fallbackCaptureLogChanged = "FallbackCaptureLogChanged";

}  // namespace qm::RecordsNotifications
