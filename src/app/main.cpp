// The program's entry: picks the platform and composes the services on it.
//
// The menu-bar agent, its windows and the keyboard pipeline's hosts are not
// wired yet; for now the program builds every service the way the agent will
// at launch (the legacy secret move first, then the rules database, then the
// rest), reports what the rules database holds, and exits.

#include <fmt/format.h>

#include "app/AppComposition.h"
#include "app/sim/StandInPlatform.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"

int main()
{
    using namespace qm;

    // Linux gives the clock, the data folder and the user defaults; the rest is
    // the stand-in desktop until the Linux services land. Linux keeps no legacy
    // keychain items of ours, so there is nothing to move.
    StandInPlatform standIn;
    UserDefaults defaults(UserDefaults::standardFilePath().value_or(std::filesystem::path()),
                          &standIn.notificationCenter);
    PlatformBundle platform = standIn.bundle(paths::applicationSupport());
    platform.clock = Clock::system();
    platform.defaults = defaults;
    platform.legacyKeychain = nullptr;

    AppComposition::Options options;
    // No HUD window yet, and nothing lands before the program exits.
    options.showHUD = [](const std::string&, const std::optional<std::string>&) {};

    {
        AppComposition app(platform, std::move(options));
        const auto exclusions = app.database().fetchExclusionList();
        const auto rules = app.database().fetchRulesConfig();
        Log::print(fmt::format("🚀 Quillmarker: {} rules and {} excluded applications ready", rules.size(),
                               exclusions.size()));
    }
    defaults.synchronize();
    return 0;
}
