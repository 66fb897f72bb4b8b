#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/PlatformBundle.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/linux/network/CurlHttpClient.h"
#include "platform/linux/network/CurlHttpStreamClient.h"
#include "platform/linux/notifications/DBusDistributedNotificationCenter.h"
#include "platform/linux/notifications/DBusUserNotificationCenter.h"
#include "platform/linux/runtime/QtMainLoop.h"
#include "platform/linux/workspace/LinuxActivationPolicy.h"
#include "platform/linux/workspace/QtAlertPresenter.h"
#include "platform/linux/workspace/QtPasteboard.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/workspace/SimColorPanel.h"
#include "platform/sim/workspace/SimPrivacySettings.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

class Clock;

// The platform the program runs on here: Qt's main loop, screens, clipboard
// and alerts, the activation policy (kept and logged: no Dock here),
// notifications over the session bus, libcurl for the network, and the stand-in desktop (its
// applications, Accessibility and keyboard) on Qt's main loop, since this
// machine gives no other program's text fields to reach. Families without a
// Linux service yet use their stand-ins, whose permission prompts and privacy
// panes are dialogs the person answers. Needs a QApplication; build and
// destroy it on the main thread, after (before) whatever was composed over it.
class LinuxPlatform {
public:
    // `defaultsFile` empty: the user defaults stay in memory. `scheduleFile`
    // keeps the notifications still to come across restarts.
    LinuxPlatform(const Clock& clock, std::filesystem::path defaultsFile, std::filesystem::path scheduleFile);
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    // The bundle over these services, keeping files in `applicationSupport`.
    PlatformBundle bundle(std::optional<std::filesystem::path> applicationSupport);

    const Clock& clock;
    QtMainLoop loop;
    NotificationCenter notificationCenter;
    UserDefaults defaults;
    StandInDesktop desktop{loop};
    QtScreens screens;
    DBusDistributedNotificationCenter distributedNotifications;
    DBusUserNotificationCenter userNotifications;
    QtPasteboard pasteboard{loop};
    QtAlertPresenter alerts{loop};
    LinuxActivationPolicy activationPolicy;
    SimColorPanel colorPanel;
    const std::shared_ptr<SimEventStoreBackend> eventStores = std::make_shared<SimEventStoreBackend>(loop);
    // The permission prompts and privacy panes of the stand-ins, as dialogs.
    SimPrivacySettings privacySettings{loop, alerts, desktop.workspace(), desktop.trust(), *eventStores};
    CurlHttpClient http;
    CurlHttpStreamClient httpStreams;
};

}  // namespace qm
