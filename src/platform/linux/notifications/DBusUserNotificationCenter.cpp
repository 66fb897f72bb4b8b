#include "platform/linux/notifications/DBusUserNotificationCenter.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <fmt/format.h>

#include "base/Log.h"
#include "platform/linux/notifications/DBusSignalRelay.h"
#include "platform/linux/notifications/NotificationScheduleFile.h"

namespace qm {

namespace {

// The reasons a notification server gives in its NotificationClosed signal.
constexpr quint32 kClosedDismissedByUser = 2;
// The main loop's timer may wake a hair before the wall clock reads the fire date.
constexpr double kEarlyTolerance = 0.001;

QString qt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Servers with the "body-markup" capability read the body as a small subset of
// HTML: a timer label such as "tea & <biscuits>" must reach the user as typed.
QString escapedMarkup(const std::string& text)
{
    QString escaped = qt(text);
    escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    escaped.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    escaped.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return escaped;
}

PlatformError serverUnavailable(const QDBusError& error)
{
    return PlatformError(std::string(UserNotificationCenter::errorDomain),
                         UserNotificationCenter::errorNotificationsNotAllowed,
                         fmt::format("Notifications cannot be shown: no notification server answers on the "
                                     "session bus ({}: {})",
                                     error.name().toStdString(), error.message().toStdString()));
}

}  // namespace

struct DBusUserNotificationCenter::State {
    State(MainLoop& loop, const Clock& clock, QDBusConnection bus, Configuration configuration)
        : loop(loop), clock(clock), bus(std::move(bus)), configuration(std::move(configuration))
    {
    }

    struct Pending {
        NotificationScheduleFile::Entry entry;
        std::uint64_t generation = 0;
        ScheduledTask timer;
    };
    struct Shown {
        UserNotification notification;
        quint32 serverId = 0;
        bool answered = false;  // an action was invoked: its closing is no dismissal
    };
    using ReplyHandler = std::function<void(const QDBusMessage&)>;
    using ErrorHandler = std::function<void(const QDBusError&)>;

    // With `mutex` held.
    std::vector<NotificationScheduleFile::Entry>
    entriesWithout(const std::vector<std::string>& identifiers) const
    {
        std::vector<NotificationScheduleFile::Entry> result;
        for (const auto& item : pending) {
            if (std::find(identifiers.begin(), identifiers.end(), item.entry.request.identifier) ==
                identifiers.end()) {
                result.push_back(item.entry);
            }
        }
        return result;
    }

    // With `mutex` held: drops the pending requests of `identifiers` and
    // writes the rest; the removal stands in memory even if the write fails.
    void removePendingLocked(const std::vector<std::string>& identifiers)
    {
        const auto kept = entriesWithout(identifiers);
        if (kept.size() == pending.size()) {
            return;
        }
        std::erase_if(pending, [&](Pending& item) {
            if (std::find(identifiers.begin(), identifiers.end(), item.entry.request.identifier) ==
                identifiers.end()) {
                return false;
            }
            item.timer.cancel();
            return true;
        });
        if (const auto error = NotificationScheduleFile::save(configuration.scheduleFile, kept)) {
            Log::print(
                fmt::format("❌ DBusUserNotificationCenter: cannot save the schedule: {}", error.message()));
        }
    }

    Pending* findPending(const std::string& identifier)
    {
        const auto found = std::find_if(pending.begin(), pending.end(), [&](const Pending& item) {
            return item.entry.request.identifier == identifier;
        });
        return found == pending.end() ? nullptr : &*found;
    }

    Shown* findShown(quint32 serverId)
    {
        const auto found = std::find_if(delivered.begin(), delivered.end(),
                                        [&](const Shown& item) { return item.serverId == serverId; });
        return found == delivered.end() ? nullptr : &*found;
    }

    bool dismissalIsHeard(const std::string& categoryIdentifier) const
    {
        return std::any_of(categories.begin(), categories.end(), [&](const NotificationCategory& category) {
            return category.identifier == categoryIdentifier &&
                   (category.options & NotificationCategory::customDismissAction) != 0;
        });
    }

    MainLoop& loop;
    const Clock& clock;
    QDBusConnection bus;
    const Configuration configuration;
    // Parent of the calls in flight, so that none answers into a destroyed
    // centre. Main thread only.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();

    mutable std::mutex mutex;
    std::vector<NotificationCategory> categories;
    std::vector<Pending> pending;
    std::uint64_t nextGeneration = 1;
    std::vector<Shown> delivered;
    std::optional<bool> bodyMarkup;  // unknown until the server told its capabilities
    std::weak_ptr<UserNotificationCenterDelegate> delegate;
};

// The private steps, kept as free functions over the shared state so that every
// delayed call holds only a weak reference.
namespace {

using StatePtr = std::shared_ptr<DBusUserNotificationCenter::State>;
using WeakState = std::weak_ptr<DBusUserNotificationCenter::State>;
using PresentationOptions = UserNotificationCenterDelegate::PresentationOptions;

// Main thread. Exactly one of the handlers runs, unless the centre goes first.
void callServer(const StatePtr& state, const char* method, const QVariantList& arguments,
                DBusUserNotificationCenter::State::ReplyHandler onReply,
                DBusUserNotificationCenter::State::ErrorHandler onError)
{
    auto message = QDBusMessage::createMethodCall(
        qt(DBusUserNotificationCenter::serviceName), qt(DBusUserNotificationCenter::objectPath),
        qt(DBusUserNotificationCenter::interfaceName), QString::fromLatin1(method));
    message.setArguments(arguments);
    if (!state->bus.isConnected()) {
        // No call can be made: answer later all the same, never inside the caller.
        QDBusError error = state->bus.lastError();
        if (!error.isValid()) {
            error = QDBusError(QDBusError::Disconnected, QStringLiteral("Not connected to the session bus"));
        }
        QMetaObject::invokeMethod(
            state->context.get(), [onError = std::move(onError), error] { onError(error); },
            Qt::QueuedConnection);
        return;
    }
    const QDBusPendingCall call =
        state->bus.asyncCall(message, std::max(1, state->configuration.callTimeoutMilliseconds));
    auto* watcher = new QDBusPendingCallWatcher(call, state->context.get());
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, state->context.get(),
        [onReply = std::move(onReply), onError = std::move(onError)](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            if (done->isError()) {
                onError(done->error());
            } else {
                onReply(done->reply());
            }
        });
}

void fetchCapabilities(const StatePtr& state, std::function<void(std::optional<PlatformError>)> completion)
{
    const WeakState weak = state;
    callServer(
        state, "GetCapabilities", {},
        [weak, completion](const QDBusMessage& reply) {
            if (const auto state = weak.lock()) {
                const QStringList capabilities = reply.arguments().value(0).toStringList();
                std::lock_guard lock(state->mutex);
                state->bodyMarkup = capabilities.contains(QStringLiteral("body-markup"));
            }
            completion(std::nullopt);
        },
        [completion](const QDBusError& error) { completion(serverUnavailable(error)); });
}

QStringList actionsFor(const DBusUserNotificationCenter::State& state, const std::string& categoryIdentifier)
{
    QStringList actions{qt(DBusUserNotificationCenter::defaultActionKey), QStringLiteral("Open")};
    for (const auto& category : state.categories) {
        if (category.identifier != categoryIdentifier) {
            continue;
        }
        for (const auto& action : category.actions) {
            actions << qt(action.identifier) << qt(action.title);
        }
    }
    return actions;
}

// Main thread: hands one notification to the server.
void notify(const StatePtr& state, const UserNotification& notification, PresentationOptions options,
            UserNotificationCenter::ErrorCompletion completion)
{
    const auto& content = notification.request.content;
    QVariantList arguments;
    {
        std::lock_guard lock(state->mutex);
        quint32 replaces = 0;
        for (const auto& shown : state->delivered) {
            if (shown.notification.request.identifier == notification.request.identifier) {
                replaces = shown.serverId;
            }
        }
        QVariantMap hints;
        const bool sound = content.sound && (options & UserNotificationCenterDelegate::sound) != 0;
        if (!sound) {
            hints.insert(QStringLiteral("suppress-sound"), true);
        } else if (*content.sound == NotificationContent::defaultSound) {
            hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
        } else {
            hints.insert(QStringLiteral("sound-name"), qt(*content.sound));
        }
        const QString body =
            state->bodyMarkup.value_or(true) ? escapedMarkup(content.body) : qt(content.body);
        arguments << qt(state->configuration.applicationName) << QVariant::fromValue(replaces) << QString()
                  << qt(content.title) << body << actionsFor(*state, content.categoryIdentifier) << hints
                  << QVariant::fromValue(qint32(-1));
    }
    const WeakState weak = state;
    callServer(
        state, "Notify", arguments,
        [weak, notification, completion](const QDBusMessage& reply) {
            const auto state = weak.lock();
            if (!state) {
                return;
            }
            const quint32 serverId = reply.arguments().value(0).toUInt();
            {
                std::lock_guard lock(state->mutex);
                std::erase_if(state->delivered, [&](const DBusUserNotificationCenter::State::Shown& old) {
                    return old.notification.request.identifier == notification.request.identifier ||
                           old.serverId == serverId;
                });
                state->delivered.push_back({notification, serverId, false});
            }
            if (completion) {
                state->loop.post([completion] { completion(std::nullopt); });
            }
        },
        [weak, notification, completion](const QDBusError& error) {
            const auto state = weak.lock();
            if (!state) {
                return;
            }
            const PlatformError failure = serverUnavailable(error);
            Log::print(fmt::format("❌ DBusUserNotificationCenter: cannot show notification {}: {}",
                                   notification.request.identifier, failure.localizedDescription()));
            if (completion) {
                state->loop.post([completion, failure] { completion(failure); });
            }
        });
}

// Main thread: learns whether the server reads markup before the first
// notification, then shows it.
void show(const StatePtr& state, const UserNotification& notification, PresentationOptions options,
          UserNotificationCenter::ErrorCompletion completion)
{
    bool known = false;
    {
        std::lock_guard lock(state->mutex);
        known = state->bodyMarkup.has_value();
    }
    if (known) {
        notify(state, notification, options, std::move(completion));
        return;
    }
    const WeakState weak = state;
    // A failure here shows in Notify's own answer; until then markup is assumed.
    fetchCapabilities(state, [weak, notification, options, completion](std::optional<PlatformError>) {
        if (const auto state = weak.lock()) {
            notify(state, notification, options, completion);
        }
    });
}

// Main thread: lets the delegate decide how a notification shows while the
// program is frontmost; otherwise shows it in full.
void present(const StatePtr& state, const UserNotification& notification,
             UserNotificationCenter::ErrorCompletion completion)
{
    constexpr PresentationOptions full = UserNotificationCenterDelegate::banner |
                                         UserNotificationCenterDelegate::list |
                                         UserNotificationCenterDelegate::sound;
    std::shared_ptr<UserNotificationCenterDelegate> delegate;
    if (state->configuration.isApplicationActive && state->configuration.isApplicationActive()) {
        std::lock_guard lock(state->mutex);
        delegate = state->delegate.lock();
    }
    if (!delegate) {
        show(state, notification, full, std::move(completion));
        return;
    }
    const WeakState weak = state;
    delegate->willPresent(notification, [weak, notification, completion](PresentationOptions options) {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        state->loop.post([weak, notification, completion, options] {
            const auto state = weak.lock();
            if (!state) {
                return;
            }
            if ((options & (UserNotificationCenterDelegate::banner | UserNotificationCenterDelegate::list)) ==
                0) {
                if (completion) {
                    completion(std::nullopt);
                }
                return;
            }
            show(state, notification, options, completion);
        });
    });
}

void fire(const WeakState& weak, const std::string& identifier, std::uint64_t generation);

// With the state's mutex held.
void arm(const StatePtr& state, DBusUserNotificationCenter::State::Pending& item)
{
    item.timer.cancel();
    if (!item.entry.fireAt) {
        return;  // a calendar match that never comes: stays pending, as the platform keeps it
    }
    const double delay = std::max(0.0, *item.entry.fireAt - state->clock.now());
    const WeakState weak = state;
    item.timer =
        state->loop.postAfter(delay, [weak, identifier = item.entry.request.identifier,
                                      generation = item.generation] { fire(weak, identifier, generation); });
}

// Main thread: one request came due. The schedule on disk changes before the
// server hears of it, so that no restart can deliver it a second time.
void fire(const WeakState& weak, const std::string& identifier, std::uint64_t generation)
{
    const auto state = weak.lock();
    if (!state) {
        return;
    }
    UserNotification notification;
    {
        std::lock_guard lock(state->mutex);
        auto* item = state->findPending(identifier);
        if (!item || item->generation != generation || !item->entry.fireAt) {
            return;
        }
        const double now = state->clock.now();
        if (now + kEarlyTolerance < *item->entry.fireAt) {
            arm(state, *item);  // the wall clock was set back meanwhile
            return;
        }
        notification = UserNotification{now, item->entry.request};
        const auto& trigger = *item->entry.request.trigger;
        const auto next = trigger.repeats() ? trigger.nextTriggerDate(now) : std::nullopt;
        if (next) {
            item->entry.fireAt = next;
            std::vector<NotificationScheduleFile::Entry> entries;
            for (const auto& other : state->pending) {
                entries.push_back(other.entry);
            }
            if (const auto error =
                    NotificationScheduleFile::save(state->configuration.scheduleFile, entries)) {
                Log::print(fmt::format("❌ DBusUserNotificationCenter: cannot save the schedule: {}",
                                       error.message()));
            }
            arm(state, *item);
        } else {
            state->removePendingLocked({identifier});
        }
    }
    present(state, notification, {});
}

void onServerSignal(const WeakState& weak, const QDBusMessage& message)
{
    const auto state = weak.lock();
    if (!state) {
        return;
    }
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    const quint32 serverId = arguments.at(0).toUInt();
    std::string actionIdentifier;
    if (message.member() == QStringLiteral("ActionInvoked")) {
        const std::string key = arguments.at(1).toString().toStdString();
        actionIdentifier = key == DBusUserNotificationCenter::defaultActionKey
                               ? std::string(UserNotificationResponse::defaultActionIdentifier)
                               : key;
    } else if (message.member() != QStringLiteral("NotificationClosed")) {
        return;
    }
    const quint32 reason = arguments.at(1).toUInt();
    state->loop.post([weak, serverId, actionIdentifier, reason] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        std::optional<UserNotificationResponse> response;
        std::shared_ptr<UserNotificationCenterDelegate> delegate;
        {
            std::lock_guard lock(state->mutex);
            auto* shown = state->findShown(serverId);
            if (!shown) {
                return;  // another program's notification, or one from before a restart
            }
            if (!actionIdentifier.empty()) {
                shown->answered = true;
                response = UserNotificationResponse{shown->notification, actionIdentifier};
            } else {
                if (reason == kClosedDismissedByUser && !shown->answered &&
                    state->dismissalIsHeard(shown->notification.request.content.categoryIdentifier)) {
                    response = UserNotificationResponse{
                        shown->notification, std::string(UserNotificationResponse::dismissActionIdentifier)};
                }
                std::erase_if(state->delivered, [&](const auto& item) { return item.serverId == serverId; });
            }
            delegate = state->delegate.lock();
        }
        if (response && delegate) {
            delegate->didReceive(*response, [] {});
        }
    });
}

}  // namespace

DBusUserNotificationCenter::DBusUserNotificationCenter(MainLoop& loop, const Clock& clock,
                                                       QDBusConnection bus, Configuration configuration)
    : state_(std::make_shared<State>(loop, clock, std::move(bus), std::move(configuration)))
{
    const WeakState weak = state_;
    relay_ = std::make_unique<DBusSignalRelay>(
        [weak](const QDBusMessage& message) { onServerSignal(weak, message); });
    for (const char* member : {"ActionInvoked", "NotificationClosed"}) {
        state_->bus.connect(qt(serviceName), qt(objectPath), qt(interfaceName), QString::fromLatin1(member),
                            relay_.get(), SLOT(relay(QDBusMessage)));
    }
    std::lock_guard lock(state_->mutex);
    for (auto& entry : NotificationScheduleFile::load(state_->configuration.scheduleFile)) {
        state_->pending.push_back(State::Pending{std::move(entry), state_->nextGeneration++, {}});
        arm(state_, state_->pending.back());
    }
}

DBusUserNotificationCenter::~DBusUserNotificationCenter()
{
    for (const char* member : {"ActionInvoked", "NotificationClosed"}) {
        state_->bus.disconnect(qt(serviceName), qt(objectPath), qt(interfaceName),
                               QString::fromLatin1(member), relay_.get(), SLOT(relay(QDBusMessage)));
    }
    relay_.reset();
    std::lock_guard lock(state_->mutex);
    for (auto& item : state_->pending) {
        item.timer.cancel();
    }
    state_->context.reset();
}

void DBusUserNotificationCenter::requestAuthorization(AuthorizationOptions,
                                                      AuthorizationCompletion completion)
{
    const WeakState weak = state_;
    state_->loop.post([weak, completion = std::move(completion)] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        fetchCapabilities(state, [weak, completion](std::optional<PlatformError> error) {
            const auto state = weak.lock();
            if (!state || !completion) {
                return;
            }
            state->loop.post([completion, error] { completion(!error, error); });
        });
    });
}

void DBusUserNotificationCenter::getNotificationSettings(
    std::function<void(UserNotificationSettings)> completion)
{
    const WeakState weak = state_;
    state_->loop.post([weak, completion = std::move(completion)] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        fetchCapabilities(state, [weak, completion](std::optional<PlatformError> error) {
            const auto state = weak.lock();
            if (!state || !completion) {
                return;
            }
            // Without a server the question is still open: asking for
            // authorization then gives the reason.
            const UserNotificationSettings settings =
                error ? UserNotificationSettings{UserNotificationSettings::AuthorizationStatus::notDetermined,
                                                 UserNotificationSettings::Setting::notSupported}
                      : UserNotificationSettings{UserNotificationSettings::AuthorizationStatus::authorized,
                                                 UserNotificationSettings::Setting::enabled};
            state->loop.post([completion, settings] { completion(settings); });
        });
    });
}

void DBusUserNotificationCenter::setNotificationCategories(std::vector<NotificationCategory> categories)
{
    std::lock_guard lock(state_->mutex);
    state_->categories = std::move(categories);
}

void DBusUserNotificationCenter::getNotificationCategories(
    std::function<void(std::vector<NotificationCategory>)> completion)
{
    std::vector<NotificationCategory> snapshot;
    {
        std::lock_guard lock(state_->mutex);
        snapshot = state_->categories;
    }
    state_->loop.post([completion = std::move(completion), snapshot] { completion(snapshot); });
}

void DBusUserNotificationCenter::add(NotificationRequest request, ErrorCompletion completion)
{
    const WeakState weak = state_;
    if (!request.trigger) {
        {
            std::lock_guard lock(state_->mutex);
            state_->removePendingLocked({request.identifier});
        }
        state_->loop.post([weak, request = std::move(request), completion = std::move(completion)] {
            if (const auto state = weak.lock()) {
                present(state, UserNotification{state->clock.now(), request}, completion);
            }
        });
        return;
    }
    std::optional<PlatformError> failure;
    {
        std::lock_guard lock(state_->mutex);
        const double now = state_->clock.now();
        request.trigger->setRegisteredAt(now);
        NotificationScheduleFile::Entry entry{request, request.trigger->nextTriggerDate(now)};
        auto entries = state_->entriesWithout({request.identifier});
        entries.push_back(entry);
        if (const auto error = NotificationScheduleFile::save(state_->configuration.scheduleFile, entries)) {
            Log::print(
                fmt::format("❌ DBusUserNotificationCenter: cannot save the schedule: {}", error.message()));
            failure = PlatformError(std::string(errorDomain), errorNotificationsNotAllowed,
                                    fmt::format("The notification could not be scheduled: the schedule file "
                                                "cannot be written ({})",
                                                error.message()));
        } else {
            std::erase_if(state_->pending, [&](State::Pending& item) {
                if (item.entry.request.identifier != request.identifier) {
                    return false;
                }
                item.timer.cancel();
                return true;
            });
            state_->pending.push_back(State::Pending{std::move(entry), state_->nextGeneration++, {}});
            arm(state_, state_->pending.back());
        }
    }
    if (completion) {
        state_->loop.post([completion = std::move(completion), failure] { completion(failure); });
    }
}

void DBusUserNotificationCenter::getPendingNotificationRequests(
    std::function<void(std::vector<NotificationRequest>)> completion)
{
    std::vector<NotificationRequest> snapshot;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& item : state_->pending) {
            snapshot.push_back(item.entry.request);
        }
    }
    state_->loop.post([completion = std::move(completion), snapshot] { completion(snapshot); });
}

void DBusUserNotificationCenter::removePendingNotificationRequests(
    const std::vector<std::string>& identifiers)
{
    std::lock_guard lock(state_->mutex);
    state_->removePendingLocked(identifiers);
}

void DBusUserNotificationCenter::removeAllPendingNotificationRequests()
{
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> identifiers;
    for (const auto& item : state_->pending) {
        identifiers.push_back(item.entry.request.identifier);
    }
    state_->removePendingLocked(identifiers);
}

void DBusUserNotificationCenter::getDeliveredNotifications(
    std::function<void(std::vector<UserNotification>)> completion)
{
    std::vector<UserNotification> snapshot;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& item : state_->delivered) {
            snapshot.push_back(item.notification);
        }
    }
    state_->loop.post([completion = std::move(completion), snapshot] { completion(snapshot); });
}

void DBusUserNotificationCenter::removeDeliveredNotifications(const std::vector<std::string>& identifiers)
{
    std::vector<quint32> closing;
    {
        std::lock_guard lock(state_->mutex);
        std::erase_if(state_->delivered, [&](const State::Shown& item) {
            const bool listed = std::find(identifiers.begin(), identifiers.end(),
                                          item.notification.request.identifier) != identifiers.end();
            if (listed) {
                closing.push_back(item.serverId);
            }
            return listed;
        });
    }
    if (closing.empty()) {
        return;
    }
    const WeakState weak = state_;
    state_->loop.post([weak, closing] {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        for (const quint32 serverId : closing) {
            callServer(
                state, "CloseNotification", {QVariant::fromValue(serverId)}, [](const QDBusMessage&) {},
                [](const QDBusError& error) {
                    Log::print(fmt::format("❌ DBusUserNotificationCenter: cannot close a notification: {}",
                                           error.message().toStdString()));
                });
        }
    });
}

void DBusUserNotificationCenter::removeAllDeliveredNotifications()
{
    std::vector<std::string> identifiers;
    {
        std::lock_guard lock(state_->mutex);
        for (const auto& item : state_->delivered) {
            identifiers.push_back(item.notification.request.identifier);
        }
    }
    removeDeliveredNotifications(identifiers);
}

void DBusUserNotificationCenter::setDelegate(std::weak_ptr<UserNotificationCenterDelegate> delegate)
{
    std::lock_guard lock(state_->mutex);
    state_->delegate = std::move(delegate);
}

std::shared_ptr<UserNotificationCenterDelegate> DBusUserNotificationCenter::delegate() const
{
    std::lock_guard lock(state_->mutex);
    return state_->delegate.lock();
}

}  // namespace qm
