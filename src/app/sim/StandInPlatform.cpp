#include "app/sim/StandInPlatform.h"

namespace qm {

StandInPlatform::StandInPlatform() = default;

PlatformBundle StandInPlatform::bundle(std::optional<std::filesystem::path> applicationSupport)
{
    return PlatformBundle{
        .clock = clock,
        .mainLoop = loop,
        .applicationSupport = std::move(applicationSupport),
        .defaults = defaults,
        .legacyKeychain = &legacyKeychain,
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
        .screens = desktop.screens(),
        .mouse = desktop.mouse(),
        .eventStores = eventStores->factory(),
        .http = http,
    };
}

}  // namespace qm
