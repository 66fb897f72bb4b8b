#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/PlatformBundle.h"
#include "platform/linux/display/QtScreens.h"
#include "platform/linux/eventstore/VdirEventStoreBackend.h"
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
#include "platform/sim/workspace/SimColorPanel.h"
#include "platform/sim/workspace/SimPrivacySettings.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

class Clock;

// The platform the program runs on here: Qt's main loop, screens, clipboard
// and alerts, the activation policy (kept and logged: no Dock here),
// notifications over the session bus, reminders and calendar
// events as vdir collections of iCalendar files, libcurl for the network, and the stand-in desktop (its
// applications, Accessibility and keyboard) on Qt's main loop, since this
// machine gives no other program's text fields to reach. Families without a
// Linux service yet use their stand-ins, whose permission prompts and privacy
// panes are dialogs the person answers. Needs a QApplication; build and
// destroy it on the main thread, after (before) whatever was composed over it.
class LinuxPlatform {
public:
    // `defaultsFile` empty: the user defaults stay in memory. `scheduleFile`
    // keeps the notifications still to come across restarts. The calendars
    // and reminders lists are kept in the schedule file's folder, and access
    // to them is asked with `askForEventStoreAccess` (empty: an alert).
    LinuxPlatform(const Clock& clock, std::filesystem::path defaultsFile, std::filesystem::path scheduleFile,
                  VdirEventStoreBackend::AccessPrompt askForEventStoreAccess = {});
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
    std::shared_ptr<VdirEventStoreBackend> eventStores;
    // The privacy panes of the stand-ins, as dialogs; they decide for the event stores too.
    std::unique_ptr<SimPrivacySettings> privacySettings;
    CurlHttpClient http;
    CurlHttpStreamClient httpStreams;
};

}  // namespace qm
