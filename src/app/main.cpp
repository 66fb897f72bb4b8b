// The composition root: the only place that picks concrete implementations.
//
// The menu-bar agent, its windows and the keyboard pipeline's hosts are not
// wired yet; for now the program opens its stores the way the agent will at
// launch (the legacy secret move first, then the rules database), reports
// where they live, and exits.

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Paths.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "store/DatabaseManager.h"
#include "store/KeychainHelper.h"

int main()
{
    using namespace qm;

    // Linux keeps no legacy keychain items of ours, so the move finds nothing.
    KeychainHelper::purgeLegacyKeychainItemsIfNeeded();

    UserDefaults& defaults = UserDefaults::standard();
    DatabaseManager database(Clock::system(), paths::applicationSupport(), defaults);
    DatabaseManager::setShared(&database);

    const auto exclusions = database.fetchExclusionList();
    const auto rules = database.fetchRulesConfig();
    Log::print(fmt::format("🚀 Quillmarker: {} rules and {} excluded applications ready", rules.size(),
                           exclusions.size()));

    defaults.synchronize();
    DatabaseManager::setShared(nullptr);
    return 0;
}
