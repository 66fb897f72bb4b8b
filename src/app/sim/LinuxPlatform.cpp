#include "app/sim/LinuxPlatform.h"

namespace qm {

LinuxPlatform::LinuxPlatform(const Clock& clock, std::filesystem::path defaultsFile)
    : clock(clock), defaults(std::move(defaultsFile), &notificationCenter)
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
    };
}

}  // namespace qm
