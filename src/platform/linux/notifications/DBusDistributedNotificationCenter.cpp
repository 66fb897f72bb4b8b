#include "platform/linux/notifications/DBusDistributedNotificationCenter.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QVariantList>
#include <fmt/format.h>

#include "base/Log.h"
#include "platform/linux/notifications/DBusSignalRelay.h"
#include "platform/linux/notifications/DBusUserInfo.h"

namespace qm {

namespace {

std::atomic<std::uint64_t> nextObserverId{1};

QString qt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isDictionary(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QDBusArgument>() &&
           value.value<QDBusArgument>().currentSignature() == QStringLiteral("a{sv}");
}

bool isString(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<QString>();
}

// The notification a signal carries, or nothing for a signal of another shape.
std::optional<DistributedNotificationCenter::Notification> notificationFrom(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.isEmpty() || arguments.size() > 3 || !isString(arguments.at(0))) {
        return std::nullopt;
    }
    DistributedNotificationCenter::Notification notification;
    notification.name = arguments.at(0).toString().toStdString();
    int next = 1;
    if (next < arguments.size() && isString(arguments.at(next))) {
        notification.object = arguments.at(next).toString().toStdString();
        ++next;
    }
    if (next < arguments.size() && isDictionary(arguments.at(next))) {
        notification.userInfo = dbus::userInfoFrom(arguments.at(next));
        ++next;
    }
    if (next != arguments.size()) {
        return std::nullopt;
    }
    return notification;
}

}  // namespace

struct DBusDistributedNotificationCenter::State {
    State(MainLoop& loop, QDBusConnection bus) : loop(loop), bus(std::move(bus)) {}

    struct Observer {
        std::string name;
        std::optional<std::string> object;
        std::shared_ptr<Block> block;
    };

    MainLoop& loop;
    QDBusConnection bus;
    std::mutex mutex;
    std::map<std::uint64_t, Observer> observers;  // by id: the order they were added
};

namespace {

void deliver(const std::weak_ptr<DBusDistributedNotificationCenter::State>& weak,
             const DistributedNotificationCenter::Notification& notification)
{
    const auto state = weak.lock();
    if (!state) {
        return;
    }
    std::vector<std::uint64_t> matching;
    {
        std::lock_guard lock(state->mutex);
        for (const auto& [id, observer] : state->observers) {
            if (observer.name == notification.name &&
                (!observer.object || observer.object == notification.object)) {
                matching.push_back(id);
            }
        }
    }
    for (const std::uint64_t id : matching) {
        std::shared_ptr<DistributedNotificationCenter::Block> block;
        {
            // An observer removed by an earlier block of this delivery is not called.
            std::lock_guard lock(state->mutex);
            const auto found = state->observers.find(id);
            if (found == state->observers.end()) {
                continue;
            }
            block = found->second.block;
        }
        if (block && *block) {
            (*block)(notification);
        }
    }
}

}  // namespace

DBusDistributedNotificationCenter::DBusDistributedNotificationCenter(MainLoop& loop, QDBusConnection bus)
    : state_(std::make_shared<State>(loop, std::move(bus)))
{
    const std::weak_ptr<State> weak = state_;
    relay_ = std::make_unique<DBusSignalRelay>([weak](const QDBusMessage& message) {
        const auto state = weak.lock();
        if (!state) {
            return;
        }
        if (auto notification = notificationFrom(message)) {
            state->loop.post(
                [weak, notification = std::move(*notification)] { deliver(weak, notification); });
        }
    });
    // Any sender and any path: other processes post with tools of their own.
    if (!state_->bus.connect(QString(), QString(), qt(interfaceName), qt(signalName), relay_.get(),
                             SLOT(relay(QDBusMessage)))) {
        Log::print(fmt::format("❌ DBusDistributedNotificationCenter: cannot listen on the session bus: {}",
                               state_->bus.lastError().message().toStdString()));
    }
}

DBusDistributedNotificationCenter::~DBusDistributedNotificationCenter()
{
    state_->bus.disconnect(QString(), QString(), qt(interfaceName), qt(signalName), relay_.get(),
                           SLOT(relay(QDBusMessage)));
}

DistributedNotificationCenter::ObserverToken
DBusDistributedNotificationCenter::addObserver(std::string name, std::optional<std::string> object,
                                               Block block)
{
    const std::uint64_t id = nextObserverId.fetch_add(1);
    std::lock_guard lock(state_->mutex);
    state_->observers.emplace(
        id, State::Observer{std::move(name), std::move(object), std::make_shared<Block>(std::move(block))});
    return ObserverToken(id);
}

void DBusDistributedNotificationCenter::removeObserver(const ObserverToken& token)
{
    std::shared_ptr<Block> removed;  // released outside the lock, in case its captures post
    std::lock_guard lock(state_->mutex);
    const auto found = state_->observers.find(token.id());
    if (found != state_->observers.end()) {
        removed = found->second.block;
        state_->observers.erase(found);
    }
}

void DBusDistributedNotificationCenter::postNotification(std::string name, std::optional<std::string> object,
                                                         UserInfo userInfo)
{
    auto message = QDBusMessage::createSignal(qt(objectPath), qt(interfaceName), qt(signalName));
    QVariantList arguments{qt(name)};
    if (object) {
        arguments << qt(*object);
    }
    if (!userInfo.empty()) {
        arguments << dbus::toVariantMap(userInfo);
    }
    message.setArguments(arguments);
    if (!state_->bus.send(message)) {
        Log::print(fmt::format("❌ DBusDistributedNotificationCenter: cannot post {}: {}", name,
                               state_->bus.lastError().message().toStdString()));
    }
}

}  // namespace qm
