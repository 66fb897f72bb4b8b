#include "platform/linux/notifications/DBusSignalRelay.h"

namespace qm {

DBusSignalRelay::DBusSignalRelay(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler))
{
}

void DBusSignalRelay::relay(const QDBusMessage& message)
{
    if (handler_) {
        handler_(message);
    }
}

}  // namespace qm
