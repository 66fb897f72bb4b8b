#include "support/FakeNotificationServer.h"

#include <stdexcept>

#include <QDBusArgument>
#include <QDBusMessage>

namespace qm::test {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
}  // namespace

FakeNotificationServer::FakeNotificationServer(PrivateSessionBus& bus, QStringList capabilities, Mode mode)
    : connection_(bus.connect()), capabilities_(std::move(capabilities)), mode_(mode)
{
    if (!connection_.registerVirtualObject(kPath, this) || !connection_.registerService(kService)) {
        throw std::runtime_error("FakeNotificationServer: cannot register on the private bus");
    }
}

FakeNotificationServer::~FakeNotificationServer()
{
    connection_.unregisterService(kService);
    connection_.unregisterObject(kPath);
}

void FakeNotificationServer::invokeAction(quint32 id, const QString& key)
{
    emitSignal("ActionInvoked", {QVariant::fromValue(id), key});
}

void FakeNotificationServer::close(quint32 id, quint32 reason)
{
    emitSignal("NotificationClosed", {QVariant::fromValue(id), QVariant::fromValue(reason)});
}

void FakeNotificationServer::emitSignal(const char* member, const QVariantList& arguments)
{
    auto message = QDBusMessage::createSignal(kPath, kService, QString::fromLatin1(member));
    message.setArguments(arguments);
    connection_.send(message);
}

QString FakeNotificationServer::introspect(const QString&) const
{
    return {};
}

bool FakeNotificationServer::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.interface() != kService) {
        return false;
    }
    const QVariantList arguments = message.arguments();
    QVariantList reply;
    if (message.member() == QStringLiteral("GetCapabilities")) {
        ++capabilityCalls_;
        reply << capabilities_;
    } else if (message.member() == QStringLiteral("Notify") && arguments.size() == 8) {
        NotifyCall call;
        call.appName = arguments.at(0).toString();
        call.replacesId = arguments.at(1).toUInt();
        call.summary = arguments.at(3).toString();
        call.body = arguments.at(4).toString();
        call.actions = arguments.at(5).toStringList();
        arguments.at(6).value<QDBusArgument>() >> call.hints;
        notifyCalls_.push_back(call);
        if (onNotify) {
            onNotify();
        }
        lastId_ = call.replacesId != 0 ? call.replacesId : ++issued_;
        reply << QVariant::fromValue(lastId_);
    } else if (message.member() == QStringLiteral("CloseNotification") && arguments.size() == 1) {
        closeCalls_.push_back(arguments.at(0).toUInt());
    } else {
        connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        return true;
    }
    if (mode_ == Mode::answering) {
        connection.send(message.createReply(reply));
    }
    return true;
}

}  // namespace qm::test
