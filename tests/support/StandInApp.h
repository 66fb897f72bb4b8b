#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/AppComposition.h"
#include "app/sim/StandInPlatform.h"
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

    TempDir support;
    StandInPlatform platform;
    std::unique_ptr<AppComposition> app;
};

}  // namespace qm::test
