#pragma once

#include <optional>
#include <string>
#include <utility>

#include "app/StatusMenuController.h"
#include "records/CaptureHistoryStore.h"
#include "records/OpenLoopStore.h"
#include "shell/PermissionsManager.h"
#include "support/ScopedEnvironment.h"
#include "support/StandInApp.h"

namespace qm::test {

// The app composed on the stand-in platform, as the status menu reads it, in
// UTC so that the open-loop header and relative times do not follow the
// machine's zone.
struct StatusMenuRig {
    StatusMenuRig()
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        app.compose(app.bundle(), std::move(options));
    }

    StatusMenuController::Services services(std::string shortVersion)
    {
        return StatusMenuController::Services{
            .clock = app.platform.clock,
            .defaults = app.platform.defaults,
            .notificationCenter = app.platform.notificationCenter,
            .permissions = app.app->permissions(),
            .history = app.app->history(),
            .openLoops = app.app->records().openLoops(),
            .shortVersion = std::move(shortVersion),
        };
    }

    ScopedEnvironment zone{"TZ", "UTC"};
    StandInApp app;
};

}  // namespace qm::test
