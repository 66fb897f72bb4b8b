#include "targets/NotificationSchedulerError.h"

namespace qm {

namespace {

std::string describe(NotificationSchedulerError::Code code, const std::string& message)
{
    switch (code) {
    case NotificationSchedulerError::schedulingFailed:
        return "Could not schedule the notification (" + message + ")";
    case NotificationSchedulerError::permissionDenied:
        return "Notifications access was denied. Open Settings → Privacy & Permissions in Quillmarker and "
               "tap Grant next to Notifications.";
    case NotificationSchedulerError::alertsDisabled:
        return "Notifications are allowed but Banners/Alerts are turned off for Quillmarker. Enable Alerts "
               "in System Settings → Notifications → Quillmarker.";
    }
    return "Could not schedule the notification (" + message + ")";
}

}  // namespace

NotificationSchedulerError::NotificationSchedulerError(Code code, std::string message)
    : PlatformError(kDomain, code, describe(code, code == schedulingFailed ? message : std::string())),
      message_(code == schedulingFailed ? std::move(message) : std::string())
{
}

}  // namespace qm
