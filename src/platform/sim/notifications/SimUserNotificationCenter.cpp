#include "platform/sim/notifications/SimUserNotificationCenter.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <stdexcept>

namespace qm {

struct SimUserNotificationCenter::State {
    State(MainLoop& loop, const Clock& clock) : loop(loop), clock(clock) {}

    struct Pending {
        NotificationRequest request;
        std::uint64_t generation = 0;
        ScheduledTask delivery;
    };

    Pending* findPending(const std::string& identifier)
    {
        auto found = std::find_if(pending.begin(), pending.end(),
                                  [&](const Pending& item) { return item.request.identifier == identifier; });
        return found == pending.end() ? nullptr : &*found;
    }

    void removePending(const std::string& identifier)
    {
        std::erase_if(pending, [&](Pending& item) {
            if (item.request.identifier != identifier) {
                return false;
            }
            item.delivery.cancel();
            return true;
        });
    }

    bool allowsDelivery() const
    {
        return settings.authorizationStatus == AuthorizationStatus::authorized ||
               settings.authorizationStatus == AuthorizationStatus::provisional ||
               settings.authorizationStatus == AuthorizationStatus::ephemeral;
    }

    MainLoop& loop;
    const Clock& clock;

    mutable std::mutex mutex;
    UserNotificationSettings settings{AuthorizationStatus::notDetermined,
                                      UserNotificationSettings::Setting::enabled};
    std::deque<bool> promptAnswers;
    std::deque<PlatformError> authorizationErrors;
    std::deque<PlatformError> addErrors;
    int addsToDrop = 0;
    std::vector<AuthorizationOptions> prompts;
    std::vector<NotificationCategory> categories;
    std::vector<Pending> pending;
    std::uint64_t nextGeneration = 1;
    std::vector<UserNotification> delivered;
    std::map<std::string, PresentationOptions> presented;
    std::weak_ptr<UserNotificationCenterDelegate> delegate;
    bool applicationActive = false;
    int completedResponses = 0;
};

SimUserNotificationCenter::SimUserNotificationCenter(MainLoop& loop, const Clock& clock)
    : state_(std::make_shared<State>(loop, clock))
{
}

SimUserNotificationCenter::~SimUserNotificationCenter()
{
    std::lock_guard lock(state_->mutex);
    for (auto& item : state_->pending) {
        item.delivery.cancel();
    }
}

void SimUserNotificationCenter::requestAuthorization(AuthorizationOptions options,
                                                     AuthorizationCompletion completion)
{
    bool granted = false;
    std::optional<PlatformError> error;
    {
        std::lock_guard lock(state_->mutex);
        auto& status = state_->settings.authorizationStatus;
        if (!state_->authorizationErrors.empty()) {
            error = state_->authorizationErrors.front();
            state_->authorizationErrors.pop_front();
        } else if (status == AuthorizationStatus::notDetermined ||
                   status == AuthorizationStatus::provisional) {
            if (state_->promptAnswers.empty()) {
                throw std::logic_error(
                    "SimUserNotificationCenter: the notification permission prompt was "
                    "shown, but the test scripted no answer (answerNextAuthorizationPrompt)");
            }
            granted = state_->promptAnswers.front();
            state_->promptAnswers.pop_front();
            state_->prompts.push_back(options);
            status = granted ? AuthorizationStatus::authorized : AuthorizationStatus::denied;
        } else {
            granted = status == AuthorizationStatus::authorized || status == AuthorizationStatus::ephemeral;
        }
    }
    if (completion) {
        state_->loop.post(
            [completion = std::move(completion), granted, error] { completion(granted, error); });
    }
}

void SimUserNotificationCenter::getNotificationSettings(
    std::function<void(UserNotificationSettings)> completion)
{
    const auto snapshot = settings();
    state_->loop.post([completion = std::move(completion), snapshot] { completion(snapshot); });
}

void SimUserNotificationCenter::setNotificationCategories(std::vector<NotificationCategory> categories)
{
    std::lock_guard lock(state_->mutex);
    state_->categories = std::move(categories);
}

void SimUserNotificationCenter::getNotificationCategories(
    std::function<void(std::vector<NotificationCategory>)> completion)
{
    state_->loop.post(
        [completion = std::move(completion), snapshot = categories()] { completion(snapshot); });
}

void SimUserNotificationCenter::add(NotificationRequest request, ErrorCompletion completion)
{
    std::optional<PlatformError> error;
    {
        std::lock_guard lock(state_->mutex);
        if (!state_->addErrors.empty()) {
            error = state_->addErrors.front();
            state_->addErrors.pop_front();
        } else if (!state_->allowsDelivery()) {
            error = PlatformError(std::string(errorDomain), errorNotificationsNotAllowed,
                                  "Notifications are not allowed for this application");
        } else if (state_->addsToDrop > 0) {
            --state_->addsToDrop;
        } else {
            const std::string identifier = request.identifier;
            if (request.trigger) {
                request.trigger->setRegisteredAt(state_->clock.now());
            }
            state_->removePending(identifier);
            const std::uint64_t generation = state_->nextGeneration++;
            state_->pending.push_back(State::Pending{std::move(request), generation, {}});
            arm(state_, identifier, generation);
        }
    }
    if (completion) {
        state_->loop.post([completion = std::move(completion), error] { completion(error); });
    }
}

// Called with the state's mutex held.
void SimUserNotificationCenter::arm(const std::shared_ptr<State>& state, const std::string& identifier,
                                    std::uint64_t generation)
{
    State::Pending* item = state->findPending(identifier);
    if (!item) {
        return;
    }
    const double now = state->clock.now();
    double delay = 0;
    if (item->request.trigger) {
        const auto fireDate = item->request.trigger->nextTriggerDate(now);
        if (!fireDate) {
            return;  // never fires; stays pending, as the system keeps it
        }
        delay = *fireDate - now;
    }
    std::weak_ptr<State> weak = state;
    item->delivery = state->loop.postAfter(
        delay, [weak, identifier, generation] { deliver(weak, identifier, generation); });
}

void SimUserNotificationCenter::deliver(const std::weak_ptr<State>& weak, const std::string& identifier,
                                        std::uint64_t generation)
{
    const auto state = weak.lock();
    if (!state) {
        return;
    }
    UserNotification notification;
    std::shared_ptr<UserNotificationCenterDelegate> delegate;
    {
        std::lock_guard lock(state->mutex);
        State::Pending* item = state->findPending(identifier);
        if (!item || item->generation != generation) {
            return;
        }
        notification = UserNotification{state->clock.now(), item->request};
        if (item->request.trigger && item->request.trigger->repeats()) {
            arm(state, identifier, generation);
        } else {
            state->removePending(identifier);
        }
        std::erase_if(state->delivered,
                      [&](const UserNotification& old) { return old.request.identifier == identifier; });
        state->delivered.push_back(notification);
        state->presented.erase(identifier);
        if (state->applicationActive) {
            delegate = state->delegate.lock();
        }
    }
    if (delegate) {
        delegate->willPresent(notification, [weak, identifier](PresentationOptions options) {
            if (const auto state = weak.lock()) {
                std::lock_guard lock(state->mutex);
                state->presented[identifier] = options;
            }
        });
    }
}

void SimUserNotificationCenter::getPendingNotificationRequests(
    std::function<void(std::vector<NotificationRequest>)> completion)
{
    state_->loop.post(
        [completion = std::move(completion), snapshot = pendingRequests()] { completion(snapshot); });
}

void SimUserNotificationCenter::removePendingNotificationRequests(const std::vector<std::string>& identifiers)
{
    std::lock_guard lock(state_->mutex);
    for (const auto& identifier : identifiers) {
        state_->removePending(identifier);
    }
}

void SimUserNotificationCenter::removeAllPendingNotificationRequests()
{
    std::lock_guard lock(state_->mutex);
    for (auto& item : state_->pending) {
        item.delivery.cancel();
    }
    state_->pending.clear();
}

void SimUserNotificationCenter::getDeliveredNotifications(
    std::function<void(std::vector<UserNotification>)> completion)
{
    state_->loop.post(
        [completion = std::move(completion), snapshot = deliveredNotifications()] { completion(snapshot); });
}

void SimUserNotificationCenter::removeDeliveredNotifications(const std::vector<std::string>& identifiers)
{
    std::lock_guard lock(state_->mutex);
    std::erase_if(state_->delivered, [&](const UserNotification& item) {
        return std::find(identifiers.begin(), identifiers.end(), item.request.identifier) !=
               identifiers.end();
    });
}

void SimUserNotificationCenter::removeAllDeliveredNotifications()
{
    std::lock_guard lock(state_->mutex);
    state_->delivered.clear();
}

void SimUserNotificationCenter::setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate)
{
    std::lock_guard lock(state_->mutex);
    state_->delegate = std::move(delegate);
}

std::shared_ptr<UserNotificationCenterDelegate> SimUserNotificationCenter::delegate() const
{
    std::lock_guard lock(state_->mutex);
    return state_->delegate.lock();
}

void SimUserNotificationCenter::setAuthorizationStatus(AuthorizationStatus status)
{
    std::lock_guard lock(state_->mutex);
    state_->settings.authorizationStatus = status;
}

void SimUserNotificationCenter::setAlertSetting(UserNotificationSettings::Setting setting)
{
    std::lock_guard lock(state_->mutex);
    state_->settings.alertSetting = setting;
}

void SimUserNotificationCenter::answerNextAuthorizationPrompt(bool allow)
{
    std::lock_guard lock(state_->mutex);
    state_->promptAnswers.push_back(allow);
}

void SimUserNotificationCenter::failNextAuthorizationRequest(PlatformError error)
{
    std::lock_guard lock(state_->mutex);
    state_->authorizationErrors.push_back(std::move(error));
}

void SimUserNotificationCenter::failNextAdd(PlatformError error)
{
    std::lock_guard lock(state_->mutex);
    state_->addErrors.push_back(std::move(error));
}

void SimUserNotificationCenter::dropNextAdd()
{
    std::lock_guard lock(state_->mutex);
    ++state_->addsToDrop;
}

void SimUserNotificationCenter::setApplicationActive(bool active)
{
    std::lock_guard lock(state_->mutex);
    state_->applicationActive = active;
}

bool SimUserNotificationCenter::respond(const std::string& identifier, const std::string& actionIdentifier)
{
    UserNotificationResponse response;
    {
        std::lock_guard lock(state_->mutex);
        auto found =
            std::find_if(state_->delivered.begin(), state_->delivered.end(),
                         [&](const UserNotification& item) { return item.request.identifier == identifier; });
        if (found == state_->delivered.end()) {
            return false;
        }
        response = UserNotificationResponse{*found, actionIdentifier};
    }
    std::weak_ptr<State> weak = state_;
    state_->loop.post([weak, response] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        std::shared_ptr<UserNotificationCenterDelegate> delegate;
        {
            std::lock_guard lock(state->mutex);
            delegate = state->delegate.lock();
        }
        if (delegate) {
            delegate->didReceive(response, [weak] {
                if (const auto state = weak.lock()) {
                    std::lock_guard lock(state->mutex);
                    ++state->completedResponses;
                }
            });
        }
    });
    return true;
}

UserNotificationSettings SimUserNotificationCenter::settings() const
{
    std::lock_guard lock(state_->mutex);
    return state_->settings;
}

std::vector<NotificationCategory> SimUserNotificationCenter::categories() const
{
    std::lock_guard lock(state_->mutex);
    return state_->categories;
}

std::vector<NotificationRequest> SimUserNotificationCenter::pendingRequests() const
{
    std::lock_guard lock(state_->mutex);
    std::vector<NotificationRequest> result;
    result.reserve(state_->pending.size());
    for (const auto& item : state_->pending) {
        result.push_back(item.request);
    }
    return result;
}

std::vector<UserNotification> SimUserNotificationCenter::deliveredNotifications() const
{
    std::lock_guard lock(state_->mutex);
    return state_->delivered;
}

std::vector<UserNotificationCenter::AuthorizationOptions>
SimUserNotificationCenter::authorizationPrompts() const
{
    std::lock_guard lock(state_->mutex);
    return state_->prompts;
}

std::optional<SimUserNotificationCenter::PresentationOptions>
SimUserNotificationCenter::presentationOptions(const std::string& identifier) const
{
    std::lock_guard lock(state_->mutex);
    const auto found = state_->presented.find(identifier);
    if (found == state_->presented.end()) {
        return std::nullopt;
    }
    return found->second;
}

int SimUserNotificationCenter::completedResponses() const
{
    std::lock_guard lock(state_->mutex);
    return state_->completedResponses;
}

}  // namespace qm
