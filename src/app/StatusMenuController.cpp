#include "app/StatusMenuController.h"

#include "base/Calendar.h"
#include "base/Log.h"
#include "base/Uuid.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/Clock.h"
#include "platform/storage/UserDefaults.h"
#include "records/CaptureHistoryStore.h"
#include "records/OpenLoopStore.h"
#include "shell/PermissionsManager.h"
#include "shell/ShellNotifications.h"

namespace qm {

namespace {

constexpr const char* kHasSelectedShortcut = "hasSelectedShortcut";

void callOrSay(const std::function<void()>& hook, const char* missing)
{
    if (hook) {
        hook();
    } else {
        Log::log(missing);
    }
}

}  // namespace

StatusMenuController::StatusMenuController(Services services, Hooks hooks)
    : services_(std::move(services)), hooks_(std::move(hooks))
{
}

StatusMenuInputs StatusMenuController::currentInputs() const
{
    StatusMenuInputs inputs;
    inputs.now = services_.clock.now();
    inputs.shortVersion = services_.shortVersion;
    inputs.accessibilityTrusted = services_.permissions.isAccessibilityTrusted();
    inputs.hasSelectedShortcut = services_.defaults.boolForKey(kHasSelectedShortcut);
    inputs.stats = services_.history.stats(inputs.now, Calendar::current());
    inputs.openLoops = services_.openLoops.menuLoops();
    inputs.revealTitle = services_.openLoops.revealMenuTitle();
    if (hooks_.pendingUpdateVersion) {
        inputs.pendingUpdateVersion = hooks_.pendingUpdateVersion();
    }
    return inputs;
}

StatusMenu StatusMenuController::currentMenu() const
{
    return StatusMenu::build(currentInputs(), Calendar::current());
}

void StatusMenuController::perform(const StatusMenuItem& item)
{
    if (!item.action) {
        return;
    }
    switch (*item.action) {
    case StatusMenuAction::openSettings:
        openSettings();
        break;
    case StatusMenuAction::openScheduledSettings:
        openScheduledSettings();
        break;
    case StatusMenuAction::openCaptureHistory:
        openCaptureHistory();
        break;
    case StatusMenuAction::checkForUpdates:
        checkForUpdates();
        break;
    case StatusMenuAction::restartToUpdate:
        restartToUpdate();
        break;
    case StatusMenuAction::quitApp:
        quitApp();
        break;
    case StatusMenuAction::revealLastCapture:
        revealLastCapture();
        break;
    case StatusMenuAction::markOpenLoopDone:
        markOpenLoopDone(item.representedObject);
        break;
    case StatusMenuAction::leaveOpenLoopParked:
        // The loop stays open; choosing the row only closes the menu.
        break;
    }
}

void StatusMenuController::openSettings()
{
    callOrSay(hooks_.openSettingsWindow, "⚙️ StatusMenu: there is no settings window to open");
}

void StatusMenuController::openScheduledSettings()
{
    openSettings();
    selectSettingsSection("Scheduled");
}

void StatusMenuController::openCaptureHistory()
{
    openSettings();
    selectSettingsSection("History");
}

void StatusMenuController::selectSettingsSection(const char* section)
{
    services_.notificationCenter.post(ShellNotifications::selectSettingsSection, nullptr,
                                      {{"section", section}});
}

void StatusMenuController::checkForUpdates()
{
    callOrSay(hooks_.checkForUpdatesManually, "🔄 StatusMenu: there is no update checker to ask");
}

void StatusMenuController::restartToUpdate()
{
    callOrSay(hooks_.restartToUpdate, "🔄 StatusMenu: there is no update checker to install with");
}

void StatusMenuController::quitApp()
{
    Log::print("👋 StatusMenu: Quit Quillmarker");
    callOrSay(hooks_.terminate, "❌ StatusMenu: nothing to quit");
}

void StatusMenuController::revealLastCapture()
{
    services_.openLoops.revealLast();
}

void StatusMenuController::markOpenLoopDone(const std::string& uuidString)
{
    if (const auto id = Uuid::fromString(uuidString)) {
        services_.openLoops.markDone(*id);
    }
}

}  // namespace qm
