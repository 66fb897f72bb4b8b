#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/StatusMenu.h"

namespace qm {

class CaptureHistoryStore;
class Clock;
class NotificationCenter;
class OpenLoopStore;
class PermissionsManager;
class UserDefaults;

// The status menu on the live services: reads what the menu shows at the
// moment it opens, and carries out the row the user chose. What is not part
// of the composition (the settings window, the update checker, quitting the
// event loop) is reached through the hooks. Main thread.
class StatusMenuController {
public:
    struct Services {
        const Clock& clock;
        UserDefaults& defaults;
        NotificationCenter& notificationCenter;
        PermissionsManager& permissions;
        CaptureHistoryStore& history;
        OpenLoopStore& openLoops;
        // The program's short version; nothing when the build does not know it.
        std::optional<std::string> shortVersion;
    };

    // Each may be empty: a row that needs it then only says so in the log.
    struct Hooks {
        // Shows the settings window, creating it on first use.
        std::function<void()> openSettingsWindow;
        std::function<void()> checkForUpdatesManually;
        std::function<void()> restartToUpdate;
        // The version of an update ready to install, if any.
        std::function<std::optional<std::string>()> pendingUpdateVersion;
        // Ends the event loop; the stop sequence runs after it.
        std::function<void()> terminate;
    };

    // The references must outlive the controller.
    StatusMenuController(Services services, Hooks hooks);
    StatusMenuController(const StatusMenuController&) = delete;
    StatusMenuController& operator=(const StatusMenuController&) = delete;

    StatusMenuInputs currentInputs() const;
    // The menu as of now, in the user's calendar and locale.
    StatusMenu currentMenu() const;

    // Carries out a row's action; a row without one does nothing.
    void perform(const StatusMenuItem& item);

    void openSettings();
    void openScheduledSettings();
    void openCaptureHistory();
    void checkForUpdates();
    void restartToUpdate();
    void quitApp();
    void revealLastCapture();
    // Closes the loop named by `uuidString`; text that is not a UUID does nothing.
    void markOpenLoopDone(const std::string& uuidString);

private:
    void selectSettingsSection(const char* section);

    Services services_;
    Hooks hooks_;
};

}  // namespace qm
