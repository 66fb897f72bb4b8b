#include "shell/PermissionsManager.h"

#include <atomic>
#include <memory>

#include "platform/accessibility/AccessibilityTrust.h"
#include "platform/notifications/UserNotificationCenter.h"
#include "platform/workspace/SystemSettingsLink.h"
#include "platform/workspace/Workspace.h"

namespace qm {

namespace {

constexpr const char* kSecurityPane = "com.apple.preference.security";
constexpr const char* kNotificationsPane = "com.apple.Notifications-Settings.extension";

// The system promises one answer per request; a second one must not reach
// the caller twice, from whatever thread it comes.
PermissionsManager::Completion once(PermissionsManager::Completion completion)
{
    auto called = std::make_shared<std::atomic<bool>>(false);
    return [called, completion = std::move(completion)](bool result) {
        if (!called->exchange(true) && completion) {
            completion(result);
        }
    };
}

bool allowsNotifications(const UserNotificationSettings& settings)
{
    using Status = UserNotificationSettings::AuthorizationStatus;
    const bool authorized = settings.authorizationStatus == Status::authorized ||
                            settings.authorizationStatus == Status::provisional ||
                            settings.authorizationStatus == Status::ephemeral;
    return authorized && settings.alertSetting != UserNotificationSettings::Setting::disabled;
}

}  // namespace

PermissionsManager::PermissionsManager(AccessibilityTrust& accessibilityTrust, Workspace& workspace,
                                       UserNotificationCenter& userNotificationCenter,
                                       EventStore::Factory eventStores)
    : accessibilityTrust_(accessibilityTrust), workspace_(workspace),
      userNotificationCenter_(userNotificationCenter), eventStores_(std::move(eventStores))
{
}

void PermissionsManager::openSettings(const SystemSettingsLink& link) const
{
    workspace_.openURL(link.url());
}

// Both event-store requests: a store lives for the request only, the macOS 14
// full-access request where there is one, and an error counts as refused.
void PermissionsManager::requestEventStoreAccess(EventStoreEntityType type, Completion completion) const
{
    std::shared_ptr<EventStore> store = eventStores_();
    auto answer = [store, completion = once(std::move(completion))](
                      bool granted, const std::optional<PlatformError>& error) {
        completion(granted && !error);
    };
    if (!store->supportsFullAccessRequests()) {
        store->requestAccess(type, std::move(answer));
    } else if (type == EventStoreEntityType::event) {
        store->requestFullAccessToEvents(std::move(answer));
    } else {
        store->requestFullAccessToReminders(std::move(answer));
    }
}

bool PermissionsManager::isAccessibilityTrusted()
{
    return accessibilityTrust_.isProcessTrusted();
}

bool PermissionsManager::requestAccessibility(bool prompt)
{
    return accessibilityTrust_.isProcessTrustedWithOptions(prompt);
}

void PermissionsManager::openAccessibilitySettings()
{
    openSettings({kSecurityPane, "Privacy_Accessibility"});
}

void PermissionsManager::openRemindersSettings()
{
    openSettings({kSecurityPane, "Privacy_Reminders"});
}

void PermissionsManager::openCalendarSettings()
{
    openSettings({kSecurityPane, "Privacy_Calendars"});
}

void PermissionsManager::openNotificationSettings()
{
    openSettings({kNotificationsPane, std::nullopt});
}

bool PermissionsManager::isRemindersAuthorized()
{
    return eventStores_()->authorizationStatus(EventStoreEntityType::reminder) ==
           EventStoreAuthorizationStatus::fullAccess;
}

void PermissionsManager::requestRemindersAccess(Completion completion)
{
    requestEventStoreAccess(EventStoreEntityType::reminder, std::move(completion));
}

bool PermissionsManager::isCalendarAuthorized()
{
    const auto store = eventStores_();
    const auto status = store->authorizationStatus(EventStoreEntityType::event);
    if (store->supportsFullAccessRequests()) {
        return status == EventStoreAuthorizationStatus::fullAccess ||
               status == EventStoreAuthorizationStatus::writeOnly;
    }
    return status == EventStoreAuthorizationStatus::fullAccess;
}

void PermissionsManager::requestCalendarAccess(Completion completion)
{
    requestEventStoreAccess(EventStoreEntityType::event, std::move(completion));
}

void PermissionsManager::isNotificationsAuthorized(Completion completion)
{
    userNotificationCenter_.getNotificationSettings(
        [completion = once(std::move(completion))](const UserNotificationSettings& settings) {
            completion(allowsNotifications(settings));
        });
}

void PermissionsManager::requestNotificationsAccess(Completion completion)
{
    UserNotificationCenter& center = userNotificationCenter_;
    center.requestAuthorization(
        UserNotificationCenter::alert | UserNotificationCenter::sound | UserNotificationCenter::badge,
        [&center, completion = once(std::move(completion))](bool granted,
                                                            const std::optional<PlatformError>& error) {
            if (!granted || error) {
                completion(false);
                return;
            }
            center.getNotificationSettings([completion](const UserNotificationSettings& settings) {
                completion(settings.alertSetting != UserNotificationSettings::Setting::disabled);
            });
        });
}

}  // namespace qm
