#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"

namespace qm {

class MainLoop;

// HUD messages asked for by notification: "ShowHUDMessage" from any component
// of the program (userInfo "message", optional "systemImage"), dropped while
// the capture quiet window is active so that the receipt of a capture that
// just landed stays readable; and "com.quillmarker.hud.show" from another
// process (its object is the message, shown without a symbol, quiet window or
// not). A request whose message is missing or not a string is dropped.
//
// The HUD belongs to the main thread: a request delivered on any other thread
// is handed to the main loop first. A message from another process is logged
// ("💬 HUDRequestHandler: message from another process: ..."), with control
// characters shown as spaces so that it cannot forge log lines.
class HUDRequestHandler {
public:
    using ShowHUD =
        std::function<void(const std::string& message, const std::optional<std::string>& systemImage)>;

    struct Services {
        MainLoop& mainLoop;
        NotificationCenter& notificationCenter;
        DistributedNotificationCenter& distributedNotificationCenter;
    };

    // Observes both names until destroyed. `isQuietWindowActive` and `show` are
    // called on the main thread (`show` is required); everything in `services` must outlive the handler.
    HUDRequestHandler(Services services, std::function<bool()> isQuietWindowActive, ShowHUD show);
    ~HUDRequestHandler();
    HUDRequestHandler(const HUDRequestHandler&) = delete;
    HUDRequestHandler& operator=(const HUDRequestHandler&) = delete;

private:
    void onMainThread(std::function<void()> work);
    void showRequested(const UserInfo& userInfo);
    void showFromAnotherProcess(const std::string& message);

    Services services_;
    std::function<bool()> isQuietWindowActive_;
    ShowHUD show_;
    NotificationCenter::ObserverToken observer_;
    DistributedNotificationCenter::ObserverToken distributedObserver_;
    AliveToken alive_;
};

}  // namespace qm
