#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QDBusConnection>

#include "platform/notifications/UserNotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

class DBusSignalRelay;

// Local notifications shown by the freedesktop notification server
// (org.freedesktop.Notifications on the session bus).
//
// The server shows a notification at once and knows nothing of triggers, so
// requests with a trigger wait in the program's own schedule: a JSON file in
// the data folder (NotificationScheduleFile), armed on the main loop's timers
// and re-armed when the centre is built again at the next launch. A request
// whose time passed while the program was not running is delivered once,
// right after start.
//
// Exactly once: when a request comes due, its removal (or, for a repeating
// one, its next fire date) is written to the file first, and only then is it
// handed to the server. A crash in between loses that one notification; it
// can never bring it back at the next start. A removal that cannot be written
// is logged and the notification is shown all the same, since a missed timer
// costs the user more than a repeated one.
//
// The category's actions become the notification's actions, with "default"
// for a click on the notification itself; the server's ActionInvoked and
// NotificationClosed signals reach the delegate on the main loop
// (UserNotificationResponse::defaultActionIdentifier for a click, the
// dismiss action for a dismissal when the category asks for it). The server's
// ids live only in the process: a notification still shown from before a
// restart no longer reports to the delegate.
//
// Authorization: there is no permission to ask for on this desktop;
// notifications are allowed when a notification server answers. Without a
// session bus or a server, authorization fails with a clear error. Every
// call to the server is bounded by callTimeoutMilliseconds, so nothing waits
// on a bus that does not answer.
//
// Build and destroy it on the main thread (the thread running Qt's event
// loop, which `loop` runs on); its other calls may come from any thread.
class DBusUserNotificationCenter final : public UserNotificationCenter {
public:
    struct Configuration {
        // The name the server shows as the sender.
        std::string applicationName;
        // The schedule of pending requests (NotificationScheduleFile).
        std::filesystem::path scheduleFile;
        // Whether the program is frontmost: only then is the delegate asked
        // how to present an arriving notification. Unset: never frontmost.
        std::function<bool()> isApplicationActive;
        int callTimeoutMilliseconds = 3000;
    };

    static constexpr std::string_view serviceName = "org.freedesktop.Notifications";
    static constexpr std::string_view objectPath = "/org/freedesktop/Notifications";
    static constexpr std::string_view interfaceName = "org.freedesktop.Notifications";
    // The action key the server reports for a click on the notification itself.
    static constexpr std::string_view defaultActionKey = "default";

    DBusUserNotificationCenter(MainLoop& loop, const Clock& clock, QDBusConnection bus,
                               Configuration configuration);
    ~DBusUserNotificationCenter() override;
    DBusUserNotificationCenter(const DBusUserNotificationCenter&) = delete;
    DBusUserNotificationCenter& operator=(const DBusUserNotificationCenter&) = delete;

    void requestAuthorization(AuthorizationOptions options, AuthorizationCompletion completion) override;
    void getNotificationSettings(std::function<void(UserNotificationSettings)> completion) override;
    void setNotificationCategories(std::vector<NotificationCategory> categories) override;
    void
    getNotificationCategories(std::function<void(std::vector<NotificationCategory>)> completion) override;
    void add(NotificationRequest request, ErrorCompletion completion = {}) override;
    void
    getPendingNotificationRequests(std::function<void(std::vector<NotificationRequest>)> completion) override;
    void removePendingNotificationRequests(const std::vector<std::string>& identifiers) override;
    void removeAllPendingNotificationRequests() override;
    void getDeliveredNotifications(std::function<void(std::vector<UserNotification>)> completion) override;
    void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override;
    void removeAllDeliveredNotifications() override;
    void setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate) override;
    std::shared_ptr<UserNotificationCenterDelegate> delegate() const override;

    // What the implementation's delayed steps share; opaque outside it.
    struct State;

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<DBusSignalRelay> relay_;
};

}  // namespace qm
