#pragma once

#include <gtest/gtest.h>

#include "support/StandInRecords.h"

namespace qm::test {

// The landing confirmation a target confirms through, composed as the app
// composes it, with its open loops in a private folder, the HUD recorded and
// an editor as the capture's host. Sends made on the test's thread land at
// once: that thread is the main loop's until something else pumps it.
class LandingRig : public ::testing::Test {
protected:
    using HudMessage = StandInRecords::HudMessage;

    LandingRig() { stage.hostContext = HostCaptureContext{"Editor", "com.example.editor", "Draft"}; }

    StandInRecords stage;
    SimClock& clock = stage.platform.clock;
    SimMainLoop& loop = stage.platform.loop;
    StandInDesktop& desktop = stage.platform.desktop;
    std::vector<HudMessage>& hud = stage.hud;
    CaptureQuietWindow& quietWindow = stage.records.quietWindow();
    OpenLoopStore& openLoops = stage.records.openLoops();
    CaptureLanding& landing = stage.records.landing();
};

}  // namespace qm::test
