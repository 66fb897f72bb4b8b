#pragma once

#include <memory>
#include <string_view>

#include <QDBusConnection>

#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

class DBusSignalRelay;

// Distributed notifications as signals on the session bus. A post is one
// broadcast signal
//
//   path /com/quillmarker/Distributed, interface com.quillmarker.Distributed,
//   member Notification
//
// whose arguments are the notification's name, then its object when it has
// one, then its userInfo as a{sv} when that is not empty: the signatures
// "s", "ss", "sa{sv}" and "ssa{sv}". Every centre on the bus hears every
// post, its own included, and calls the matching observers on its main loop.
// Signals of another shape are ignored.
//
// Another process shows a HUD message this way:
//
//   dbus-send --session --type=signal /com/quillmarker/Distributed com.quillmarker.Distributed.Notification
//   string:com.quillmarker.hud.show string:'Build finished'
//
// Build and destroy it on the main thread (the thread running Qt's event
// loop, which `loop` runs on); the other calls may come from any thread.
class DBusDistributedNotificationCenter final : public DistributedNotificationCenter {
public:
    static constexpr std::string_view objectPath = "/com/quillmarker/Distributed";
    static constexpr std::string_view interfaceName = "com.quillmarker.Distributed";
    static constexpr std::string_view signalName = "Notification";

    DBusDistributedNotificationCenter(MainLoop& loop, QDBusConnection bus);
    ~DBusDistributedNotificationCenter() override;
    DBusDistributedNotificationCenter(const DBusDistributedNotificationCenter&) = delete;
    DBusDistributedNotificationCenter& operator=(const DBusDistributedNotificationCenter&) = delete;

    ObserverToken addObserver(std::string name, std::optional<std::string> object, Block block) override;
    void removeObserver(const ObserverToken& token) override;
    // Without a session bus the post is logged and dropped.
    void postNotification(std::string name, std::optional<std::string> object = std::nullopt,
                          UserInfo userInfo = {}) override;

    // What the delivery steps share; opaque outside the implementation.
    struct State;

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<DBusSignalRelay> relay_;
};

}  // namespace qm
