#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifications/UserNotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

// The stand-in notification centre. It keeps pending requests in memory and
// delivers each one on the main loop when the clock reaches its fire date (a
// test advances the manual loop); a request without a trigger is delivered at
// once. A test plays the user and the system: it scripts the answer to the
// permission prompt, turns alerts off, makes add() fail, and clicks delivered
// notifications.
//
// Completions and delegate calls run on the main loop. The permission prompt
// must be answered by the test: a prompt without a scripted answer throws
// std::logic_error from requestAuthorization, so a test that forgot it fails
// at once instead of waiting for a user.
class SimUserNotificationCenter final : public UserNotificationCenter {
public:
    using AuthorizationStatus = UserNotificationSettings::AuthorizationStatus;
    using PresentationOptions = UserNotificationCenterDelegate::PresentationOptions;

    // Starts as a program that never asked: status not determined, alerts enabled.
    SimUserNotificationCenter(MainLoop& loop, const Clock& clock);
    ~SimUserNotificationCenter() override;
    SimUserNotificationCenter(const SimUserNotificationCenter&) = delete;
    SimUserNotificationCenter& operator=(const SimUserNotificationCenter&) = delete;

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

    // The user and the system, as a test plays them.

    // The decision stored in System Settings (no prompt is involved).
    void setAuthorizationStatus(AuthorizationStatus status);
    // Banners/alerts turned on or off for the program in System Settings.
    void setAlertSetting(UserNotificationSettings::Setting setting);
    // The user's answer to the next permission prompt.
    void answerNextAuthorizationPrompt(bool allow);
    // The next requestAuthorization fails with `error`, without a prompt.
    void failNextAuthorizationRequest(PlatformError error);
    // The next add() fails with `error`; nothing is scheduled.
    void failNextAdd(PlatformError error);
    // The next add() reports success, but the system keeps nothing.
    void dropNextAdd();
    // Whether the program is frontmost; only then is the delegate asked how to
    // present a notification that arrives.
    void setApplicationActive(bool active);
    // The user clicks the delivered notification `identifier` (or one of its
    // actions); the delegate hears it on the main loop. False when no such
    // notification is delivered.
    bool respond(const std::string& identifier, const std::string& actionIdentifier);

    // What happened, read at once.

    UserNotificationSettings settings() const;
    std::vector<NotificationCategory> categories() const;
    std::vector<NotificationRequest> pendingRequests() const;
    std::vector<UserNotification> deliveredNotifications() const;
    // The options asked for at each prompt shown, in order.
    std::vector<AuthorizationOptions> authorizationPrompts() const;
    // How the delegate chose to present the notification delivered last under
    // `identifier`; nothing when it was not asked or did not answer.
    std::optional<PresentationOptions> presentationOptions(const std::string& identifier) const;
    // How many times the delegate called a response's completion.
    int completedResponses() const;

private:
    struct State;
    static void arm(const std::shared_ptr<State>& state, const std::string& identifier,
                    std::uint64_t generation);
    static void deliver(const std::weak_ptr<State>& weak, const std::string& identifier,
                        std::uint64_t generation);

    std::shared_ptr<State> state_;
};

}  // namespace qm
