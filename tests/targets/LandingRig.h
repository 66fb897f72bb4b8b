#pragma once

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/desktop/StandInDesktop.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "records/CaptureLanding.h"
#include "records/CaptureQuietWindow.h"
#include "records/HostFocus.h"
#include "records/OpenLoopStore.h"
#include "records/ReturnWhisper.h"
#include "support/TempDir.h"

namespace qm::test {

// The landing confirmation a target confirms through, with its open loops in a
// private folder and the HUD recorded. Sends made on the test's thread land at
// once: that thread is the main loop's until something else pumps it.
class LandingRig : public ::testing::Test {
protected:
    struct HudMessage {
        std::string message;
        std::optional<std::string> systemImage;
        friend bool operator==(const HudMessage&, const HudMessage&) = default;
    };

    LandingRig()
        : openLoops(clock, loop, desktop.workspace(),
                    ReturnWhisper(
                        hostFocus, quietWindow, [] { return false; },
                        [](const std::string&, const std::optional<std::string>&) {}),
                    support.path()),
          landing(
              loop, openLoops, quietWindow,
              [] {
                  return HostCaptureContext{"Editor", "com.example.editor", "Draft"};
              },
              [this](const std::string& message, const std::optional<std::string>& image) {
                  hud.push_back({message, image});
              })
    {
    }

    TempDir support;
    SimClock clock;
    SimMainLoop loop{clock};
    StandInDesktop desktop{loop};
    HostFocus hostFocus{desktop.workspace(), desktop.accessibility()};
    CaptureQuietWindow quietWindow{clock};
    OpenLoopStore openLoops;
    std::vector<HudMessage> hud;
    CaptureLanding landing;
};

}  // namespace qm::test
