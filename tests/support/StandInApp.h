#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/sim/StandInPlatform.h"
#include "capture/EventTapManager.h"
#include "store/DatabaseManager.h"
#include "support/SeededRulesDatabase.h"
#include "support/TempDir.h"

namespace qm::test {

// The app composed over the stand-in platform, as the rigs build it: files in
// a private Application Support folder whose rules database starts as a copy
// of a seeded one. Member order is destruction order: the composition goes
// before the platform it runs on.
class StandInApp {
public:
    // The bundle over the stand-ins, keeping files in the private folder.
    PlatformBundle bundle() { return platform.bundle(support.path()); }

    // Composes over `bundle`, replacing (destroying first) an earlier
    // composition; its rules database is a fresh copy of the seeded `kind`.
    AppComposition& compose(PlatformBundle bundle, AppComposition::Options options,
                            const std::string& kind = "seeded",
                            const std::function<void(DatabaseManager&)>& prepare = {})
    {
        app.reset();
        copySeededRulesDatabase(support.path(), kind, prepare);
        app = std::make_unique<AppComposition>(std::move(bundle), std::move(options));
        // Each capture record is two commits; a temporary database need not reach the disk.
        app->database().executeNonQuery("PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY;");
        return *app;
    }

    // Options for a test that shows nothing: the HUD goes nowhere, one background thread.
    static AppComposition::Options quietOptions()
    {
        AppComposition::Options options;
        options.showHUD = [](const std::string&, const std::optional<std::string>&) {};
        options.backgroundThreads = 1;
        return options;
    }

    // The application delegate over the composition, not yet launched.
    std::unique_ptr<AppDelegate> makeDelegate(AppDelegate::Hooks hooks)
    {
        return std::make_unique<AppDelegate>(
            AppDelegate::Services{
                .mainLoop = platform.loop,
                .defaults = platform.defaults,
                .notificationCenter = platform.notificationCenter,
                .workspace = platform.desktop.workspace(),
                .alerts = platform.alerts,
                .permissions = app->permissions(),
                .eventTapManager = app->eventTapManager(),
            },
            std::move(hooks));
    }

    // The tap comes up on its own thread: true once it is there (within 2 s),
    // the main loop pumped meanwhile.
    bool waitForTap()
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!app->eventTapManager().eventTap() && std::chrono::steady_clock::now() < until) {
            platform.loop.runUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return app->eventTapManager().eventTap() != nullptr;
    }

    TempDir support;
    StandInPlatform platform;
    std::unique_ptr<AppComposition> app;
};

}  // namespace qm::test
