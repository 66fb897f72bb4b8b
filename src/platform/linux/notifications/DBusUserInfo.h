#pragma once

#include <QVariant>
#include <QVariantMap>

#include "platform/notifications/UserInfo.h"

namespace qm::dbus {

// A userInfo as a D-Bus dictionary (a{sv}): Booleans, integers (x), doubles,
// strings, string lists (as) and nested dictionaries. Opaque values have no
// D-Bus form and are left out.
QVariantMap toVariantMap(const UserInfo& info);

// A dictionary received from the bus, as it arrives in a signal (nested
// dictionaries still marshalled). Values of any integer width read as
// integers; values of types a userInfo cannot hold are left out.
UserInfo userInfoFrom(const QVariant& dictionary);

}  // namespace qm::dbus
