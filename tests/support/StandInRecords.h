#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/CaptureRecords.h"
#include "app/StandardCaptureTargets.h"
#include "app/sim/StandInPlatform.h"
#include "support/TempDir.h"
#include "targets/NotificationScheduler.h"
#include "targets/TimerCompletionFallback.h"

namespace qm::test {

// The capture records composed as the app composes them, over the stand-in
// platform with the open loops in a private folder; the test plays the HUD
// (recorded) and the capture controller (its host context and whether capture
// mode is open). No rules database: for tests of the records and the targets.
class StandInRecords {
public:
    struct HudMessage {
        std::string message;
        std::optional<std::string> systemImage;
        friend bool operator==(const HudMessage&, const HudMessage&) = default;
    };

    StandInRecords() : records(platform.bundle(support.path()), hooks()) {}
    ~StandInRecords() { shutdown.cancel(); }

    // The hooks as this rig plays them; any number of records may share them.
    CaptureRecords::Hooks hooks()
    {
        return CaptureRecords::Hooks{
            .showHUD =
                [this](const std::string& message, const std::optional<std::string>& image) {
                    hud.push_back({message, image});
                },
            .isCaptureModeActive = [this] { return captureModeActive.load(); },
            .hostCaptureContext = [this] { return hostContext; },
        };
    }

    // The app's table of targets, delivering through these records; the
    // secret store holds nothing.
    CaptureTargetRegistry standardTargets()
    {
        return StandardCaptureTargets::make({
            .clock = platform.clock,
            .mainLoop = platform.loop,
            .scheduler = scheduler,
            .eventStores = platform.eventStores->factory(),
            .requestCalendarAccess =
                [this](std::function<void(bool)> answer) {
                    platform.eventStores->makeStore()->requestFullAccessToEvents(
                        [answer](bool granted, std::optional<PlatformError> error) {
                            answer(granted && !error);
                        });
                },
            .shutdown = shutdown,
            .defaults = platform.defaults,
            .pasteboard = platform.pasteboard,
            .http = platform.http,
            .loadSecret = [](std::string_view, std::string_view) { return std::optional<std::string>(); },
            .landing = records.landing(),
        });
    }

    TempDir support;
    StandInPlatform platform;
    // Main thread.
    std::vector<HudMessage> hud;
    HostCaptureContext hostContext;
    std::atomic<bool> captureModeActive{false};
    CaptureRecords records;
    // Timers and alarms on the stand-in notification centre; their HUD fallback shows in `hud`.
    TimerCompletionFallback timerFallback{
        platform.loop, platform.clock, platform.notificationCenter,
        [this](const std::string& message, const std::optional<std::string>& image) {
            hud.push_back({message, image});
        }};
    NotificationScheduler scheduler{platform.userNotifications,  platform.loop, platform.clock,
                                    platform.notificationCenter, timerFallback, [] {}};
    CancellationToken shutdown;
};

}  // namespace qm::test
