#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/CaptureRecords.h"
#include "app/StandardCaptureTargets.h"
#include "app/sim/StandInPlatform.h"
#include "support/TempDir.h"

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
};

}  // namespace qm::test
