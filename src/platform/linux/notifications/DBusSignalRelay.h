#pragma once

#include <functional>

#include <QDBusMessage>
#include <QObject>

namespace qm {

// Hands the D-Bus signals it is connected to to a function. QDBusConnection
// connects signals only to slots of a QObject; this is that object, living on
// the thread that runs Qt's event loop, where the signals arrive.
class DBusSignalRelay final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(const QDBusMessage&)>;

    explicit DBusSignalRelay(Handler handler, QObject* parent = nullptr);

public slots:
    void relay(const QDBusMessage& message);

private:
    Handler handler_;
};

}  // namespace qm
