#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/PlatformBundle.h"
#include "platform/linux/network/CurlHttpClient.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/notifications/SimDistributedNotificationCenter.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/storage/SimLegacyKeychain.h"
#include "platform/sim/workspace/SimAlertPresenter.h"
#include "platform/sim/workspace/SimColorPanel.h"
#include "platform/sim/workspace/SimPasteboard.h"
#include "platform/storage/UserDefaults.h"

namespace qm {

// Every platform service on stand-ins: the stand-in desktop, a manual clock
// and main loop, in-memory user defaults reporting to the notification centre,
// and the in-memory notification centres, pasteboard, alerts, colour panel,
// event store and legacy keychain. The network has no stand-in: requests go
// through libcurl, and tests point them at fake servers on 127.0.0.1. Tests and benchmarks drive the members
// directly; bundle() names them for AppComposition. Build and destroy it on the main thread, after (before)
// whatever was composed over it.
class StandInPlatform {
public:
    StandInPlatform();
    StandInPlatform(const StandInPlatform&) = delete;
    StandInPlatform& operator=(const StandInPlatform&) = delete;

    // The bundle over these stand-ins, keeping files in `applicationSupport`
    // (none: the stores stay in memory).
    PlatformBundle bundle(std::optional<std::filesystem::path> applicationSupport);

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter notificationCenter;
    UserDefaults defaults{"", &notificationCenter};
    StandInDesktop desktop{loop};
    SimDistributedNotificationCenter distributedNotifications{loop};
    SimUserNotificationCenter userNotifications{loop, clock};
    SimPasteboard pasteboard;
    SimAlertPresenter alerts{loop};
    SimColorPanel colorPanel;
    const std::shared_ptr<SimEventStoreBackend> eventStores = std::make_shared<SimEventStoreBackend>(loop);
    SimLegacyKeychain legacyKeychain;
    CurlHttpClient http;
};

}  // namespace qm
