#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CaptureRecords.h"
#include "app/sim/StandInPlatform.h"
#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/CaptureQuietWindow.h"
#include "records/HostFocus.h"
#include "records/OpenLoopStore.h"
#include "records/ReturnWhisper.h"
#include "support/TempDir.h"

namespace qm::test {

struct HudMessage {
    std::string message;
    std::optional<std::string> systemImage;
    friend bool operator==(const HudMessage&, const HudMessage&) = default;
};

// An open-loop store wired as the app wires it, on the stand-in platform, in a
// private Application Support folder, with the HUD and the capture controller
// played by the rig.
class OpenLoopRig {
public:
    OpenLoopRig() { store = makeStore(); }

    std::unique_ptr<OpenLoopStore> makeStore(std::optional<std::filesystem::path> applicationSupport)
    {
        const CaptureRecords::Hooks hooks{
            .showHUD =
                [this](const std::string& message, const std::optional<std::string>& image) {
                    hud.push_back({message, image});
                },
            .isCaptureModeActive = [this] { return captureModeActive.load(); },
            .hostCaptureContext = [this] { return heldContext; },
        };
        return CaptureRecords::makeOpenLoopStore(platform.bundle(applicationSupport), hostFocus, quietWindow,
                                                 hooks, applicationSupport);
    }
    std::unique_ptr<OpenLoopStore> makeStore() { return makeStore(folder.path()); }

    std::filesystem::path file() const { return folder / "com.quillmarker.app" / "open-loops.json"; }

    // The shell reports the activation; the check runs once the delay passed.
    void activate(const SimApplication& application, bool settle = true)
    {
        application.activate();
        store->noteAppActivated(application.runningApplication());
        if (settle) {
            loop.advance(ReturnWhisper::delay);
        }
    }

    void park(const std::string& text, const HostCaptureContext& context = {},
              const std::vector<std::string>& cueTokens = {})
    {
        store->park(text, text, "note", "Quick Capture.md", std::nullopt, context, cueTokens);
    }

    TempDir folder;
    StandInPlatform platform;
    SimClock& clock = platform.clock;
    SimMainLoop& loop = platform.loop;
    StandInDesktop& desktop = platform.desktop;
    HostCaptureContext heldContext;
    HostFocus hostFocus{desktop.workspace(), desktop.accessibility(), [this] { return heldContext; }};
    CaptureQuietWindow quietWindow{clock};
    std::atomic<bool> captureModeActive{false};
    std::vector<HudMessage> hud;
    std::unique_ptr<OpenLoopStore> store;
};

}  // namespace qm::test
