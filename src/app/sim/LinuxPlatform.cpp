#include "app/sim/LinuxPlatform.h"

#include <QDBusConnection>

namespace qm {

LinuxPlatform::LinuxPlatform(const Clock& clock, std::filesystem::path defaultsFile,
                             std::filesystem::path scheduleFile)
    : clock(clock), defaults(std::move(defaultsFile), &notificationCenter),
      distributedNotifications(loop, QDBusConnection::sessionBus()),
      userNotifications(loop, clock, QDBusConnection::sessionBus(),
                        DBusUserNotificationCenter::Configuration{
                            .applicationName = "Quillmarker",
                            .scheduleFile = std::move(scheduleFile),
                            .isApplicationActive = [this] { return desktop.ownApplication().isFrontmost(); },
                        })
{
}

PlatformBundle LinuxPlatform::bundle(std::optional<std::filesystem::path> applicationSupport)
{
    return PlatformBundle{
        .clock = clock,
        .mainLoop = loop,
        .applicationSupport = std::move(applicationSupport),
        .defaults = defaults,
        .legacyKeychain = nullptr,
        .notificationCenter = notificationCenter,
        .distributedNotificationCenter = distributedNotifications,
        .userNotificationCenter = userNotifications,
        .workspace = desktop.workspace(),
        .pasteboard = pasteboard,
        .alerts = alerts,
        .colorPanel = colorPanel,
        .accessibility = desktop.accessibility(),
        .accessibilityTrust = desktop.trust(),
        .eventTaps = desktop.eventTaps(),
        .syntheticEvents = desktop.syntheticEvents(),
        .secureInput = desktop.secureInput(),
        .screens = screens,
        .mouse = desktop.mouse(),
        .eventStores = eventStores->factory(),
        .http = http,
        .httpStreams = httpStreams,
    };
}

}  // namespace qm
