#pragma once

#include <functional>
#include <vector>

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>

#include "support/PrivateSessionBus.h"

namespace qm::test {

// A notification server on a private session bus: it owns
// org.freedesktop.Notifications on a connection of its own, records what it
// is asked, and plays the user through the signals a real server sends.
// A silent server takes the calls and never answers them.
class FakeNotificationServer final : public QDBusVirtualObject {
public:
    struct NotifyCall {
        QString appName;
        quint32 replacesId = 0;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };
    enum class Mode { answering, silent };

    explicit FakeNotificationServer(PrivateSessionBus& bus, QStringList capabilities = {"actions", "body"},
                                    Mode mode = Mode::answering);
    ~FakeNotificationServer() override;

    const std::vector<NotifyCall>& notifyCalls() const { return notifyCalls_; }
    const std::vector<quint32>& closeCalls() const { return closeCalls_; }
    int capabilityCalls() const { return capabilityCalls_; }
    // The id the server gave the last notification it showed.
    quint32 lastId() const { return lastId_; }

    // Runs when a Notify call arrives, before it is answered.
    std::function<void()> onNotify;

    // The user clicked an action (or the notification itself: "default").
    void invokeAction(quint32 id, const QString& key);
    // The notification went away: 1 expired, 2 dismissed by the user, 3 closed by a call.
    void close(quint32 id, quint32 reason);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void emitSignal(const char* member, const QVariantList& arguments);

    QDBusConnection connection_;
    QStringList capabilities_;
    Mode mode_;
    std::vector<NotifyCall> notifyCalls_;
    std::vector<quint32> closeCalls_;
    int capabilityCalls_ = 0;
    quint32 lastId_ = 0;
    quint32 issued_ = 0;
};

}  // namespace qm::test
