#include "platform/linux/notifications/DBusUserInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QDBusArgument>
#include <QDBusVariant>
#include <QStringList>

namespace qm::dbus {

namespace {

// Deep enough for any real payload; a hostile peer cannot make us recurse without end.
constexpr int kMaxDepth = 32;

QVariantMap toVariantMap(const UserInfo& info, int depth)
{
    QVariantMap map;
    for (const auto& key : info.keys()) {
        const QString name = QString::fromStdString(key);
        if (auto value = info.get<bool>(key)) {
            map.insert(name, *value);
        } else if (auto value = info.get<std::int64_t>(key)) {
            map.insert(name, QVariant::fromValue(static_cast<qlonglong>(*value)));
        } else if (auto value = info.get<double>(key)) {
            map.insert(name, *value);
        } else if (auto value = info.get<std::string>(key)) {
            map.insert(name, QString::fromStdString(*value));
        } else if (auto value = info.get<std::vector<std::string>>(key)) {
            QStringList list;
            for (const auto& item : *value) {
                list << QString::fromStdString(item);
            }
            map.insert(name, list);
        } else if (auto value = info.get<UserInfo>(key); value && depth < kMaxDepth) {
            map.insert(name, toVariantMap(*value, depth + 1));
        }
    }
    return map;
}

std::optional<QVariantMap> mapFrom(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentType() != QDBusArgument::MapType ||
            argument.currentSignature() != QStringLiteral("a{sv}")) {
            return std::nullopt;
        }
        QVariantMap map;
        argument >> map;
        return map;
    }
    if (value.metaType() == QMetaType::fromType<QVariantMap>()) {
        return value.toMap();
    }
    return std::nullopt;
}

UserInfo userInfoFrom(const QVariant& dictionary, int depth)
{
    UserInfo info;
    const auto map = mapFrom(dictionary);
    if (!map || depth > kMaxDepth) {
        return info;
    }
    for (auto item = map->cbegin(); item != map->cend(); ++item) {
        const std::string key = item.key().toStdString();
        QVariant value = item.value();
        if (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
            value = value.value<QDBusVariant>().variant();
        }
        switch (value.metaType().id()) {
        case QMetaType::Bool:
            info.set(key, value.toBool());
            break;
        case QMetaType::UChar:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
            info.set(key, static_cast<std::int64_t>(value.toLongLong()));
            break;
        case QMetaType::ULongLong:
            if (value.toULongLong() <= static_cast<qulonglong>(INT64_MAX)) {
                info.set(key, static_cast<std::int64_t>(value.toULongLong()));
            }
            break;
        case QMetaType::Double:
            info.set(key, value.toDouble());
            break;
        case QMetaType::QString:
            info.set(key, value.toString().toStdString());
            break;
        case QMetaType::QStringList: {
            std::vector<std::string> list;
            for (const auto& text : value.toStringList()) {
                list.push_back(text.toStdString());
            }
            info.set(key, std::move(list));
            break;
        }
        default:
            if (mapFrom(value)) {
                info.set(key, userInfoFrom(value, depth + 1));
            }
            break;
        }
    }
    return info;
}

}  // namespace

QVariantMap toVariantMap(const UserInfo& info)
{
    return toVariantMap(info, 0);
}

UserInfo userInfoFrom(const QVariant& dictionary)
{
    return userInfoFrom(dictionary, 0);
}

}  // namespace qm::dbus
