#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/eventstore/EventStore.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimPasteboard.h"
#include "platform/sim/workspace/SimWorkspace.h"
#include "platform/storage/UserDefaults.h"
#include "records/CaptureHistoryStore.h"
#include "records/FallbackCaptureLogger.h"
#include "settings/SettingsServices.h"
#include "shell/PermissionsManager.h"
#include "shell/ShellNotifications.h"
#include "store/DatabaseManager.h"
#include "store/KeychainHelper.h"
#include "support/SeededRulesDatabase.h"
#include "support/TempDir.h"
#include "targets/NotificationScheduler.h"
#include "targets/TimerCompletionFallback.h"

namespace qm::test {

// The settings window's services on the stand-in platform, in a private
// folder, with the HUD requests and the MCP server's start/stop recorded.
class SettingsRig {
public:
    SettingsRig()
    {
        hudToken =
            center.addObserver(ShellNotifications::showHUDMessage, nullptr, [this](const Notification& n) {
                hud.push_back(n.userInfo.get<std::string>("message").value_or(""));
            });
    }
    ~SettingsRig() { center.removeObserver(hudToken); }

    SettingsServices services()
    {
        return SettingsServices{
            loop,      center,      defaults,   keychain,
            history,   fallback,    pasteboard, workspace,
            scheduler, permissions, clock,      [this](bool running) { mcpCalls.push_back(running); }};
    }

    void post(const std::string& name, UserInfo info = {}) { center.post(name, nullptr, std::move(info)); }
    void selectSettingsSection(UserInfo info)
    {
        post(ShellNotifications::selectSettingsSection, std::move(info));
    }

    static std::filesystem::path seeded(const std::filesystem::path& folder)
    {
        copySeededRulesDatabase(folder);
        return folder;
    }

    TempDir dir;
    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{"", &center};
    DatabaseManager database{clock, seeded(dir.path()), defaults};
    CaptureHistoryStore history{database, loop, center, clock};
    FallbackCaptureLogger fallback{clock, loop, center, dir.path()};
    KeychainHelper keychain{nullptr, dir.path()};
    SimPasteboard pasteboard;
    std::shared_ptr<SimDesktopState> desktop = std::make_shared<SimDesktopState>(loop);
    SimAccessibilityTrust trust{desktop};
    SimWorkspace workspace{desktop, 4242};
    SimUserNotificationCenter userNotifications{loop, clock};
    // Timers and alarms as the program schedules them; their HUD echoes land in `fallbackHud`.
    TimerCompletionFallback timerFallback{
        loop, clock, center, [this](const std::string& message, const std::optional<std::string>&) {
            fallbackHud.push_back(message);
        }};
    NotificationScheduler scheduler{userNotifications, loop, clock, center, timerFallback, [] {}};
    std::shared_ptr<SimEventStoreBackend> eventStores = std::make_shared<SimEventStoreBackend>(loop);
    PermissionsManager permissions{trust, workspace, userNotifications,
                                   [stores = eventStores] { return stores->makeStore(); }};

    std::vector<std::string> hud;
    std::vector<std::string> fallbackHud;
    std::vector<bool> mcpCalls;
    NotificationCenter::ObserverToken hudToken;
};

}  // namespace qm::test
