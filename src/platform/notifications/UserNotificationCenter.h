#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/PlatformError.h"
#include "platform/notifications/NotificationCategory.h"
#include "platform/notifications/NotificationRequest.h"
#include "platform/notifications/UserNotification.h"
#include "platform/notifications/UserNotificationCenterDelegate.h"
#include "platform/notifications/UserNotificationSettings.h"

namespace qm {

// The program's local notifications: permission, categories, pending requests
// and delivered notifications. Pending requests belong to the system and
// outlive the program.
//
// Every call may be made from any thread. Completions are called once, later,
// never inside the call that was given them; the stand-in calls them on the
// main loop.
class UserNotificationCenter {
public:
    enum AuthorizationOption : unsigned {
        badge = 1u << 0,
        sound = 1u << 1,
        alert = 1u << 2,
    };
    using AuthorizationOptions = unsigned;

    using AuthorizationCompletion = std::function<void(bool granted, std::optional<PlatformError> error)>;
    using ErrorCompletion = std::function<void(std::optional<PlatformError> error)>;

    static constexpr std::string_view errorDomain = "UNErrorDomain";
    // add() while the user has not allowed notifications.
    static constexpr long errorNotificationsNotAllowed = 1;

    virtual ~UserNotificationCenter() = default;

    // Shows the system's prompt the first time; later calls answer with the
    // user's earlier decision.
    virtual void requestAuthorization(AuthorizationOptions options, AuthorizationCompletion completion) = 0;
    virtual void getNotificationSettings(std::function<void(UserNotificationSettings)> completion) = 0;

    // Replaces the whole set of registered categories.
    virtual void setNotificationCategories(std::vector<NotificationCategory> categories) = 0;
    virtual void
    getNotificationCategories(std::function<void(std::vector<NotificationCategory>)> completion) = 0;

    // Schedules `request`, replacing a pending one with the same identifier.
    virtual void add(NotificationRequest request, ErrorCompletion completion = {}) = 0;
    // The requests not yet delivered (a repeating one stays), in the order added.
    virtual void
    getPendingNotificationRequests(std::function<void(std::vector<NotificationRequest>)> completion) = 0;
    // Unknown identifiers are ignored. Delivered notifications stay.
    virtual void removePendingNotificationRequests(const std::vector<std::string>& identifiers) = 0;
    virtual void removeAllPendingNotificationRequests() = 0;

    // The notifications shown in the system's notification list, oldest first.
    virtual void getDeliveredNotifications(std::function<void(std::vector<UserNotification>)> completion) = 0;
    virtual void removeDeliveredNotifications(const std::vector<std::string>& identifiers) = 0;
    virtual void removeAllDeliveredNotifications() = 0;

    // The centre does not own its delegate; one that is gone is not called.
    virtual void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) = 0;
    virtual std::shared_ptr<UserNotificationCenterDelegate> delegate() const = 0;
};

}  // namespace qm
