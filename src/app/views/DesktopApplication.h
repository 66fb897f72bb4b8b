#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "app/AppComposition.h"
#include "app/AppDelegate.h"
#include "app/StatusMenuController.h"
#include "app/linux/LinuxPlatform.h"
#include "platform/linux/display/QtApplicationWindows.h"
#include "platform/sim/views/HostWindow.h"
#include "settings/SettingsSection.h"
#include "shell/HUDPanel.h"
#include "shell/OwnWindowKeyboardGuard.h"

namespace qm {

class ActiveCountdownController;
class NotificationDelegate;
class SettingsWindowController;
class StdinKeyboard;

// The running program on this machine: the Linux platform with the stand-in
// desktop, the services composed over it, the HUD, the capture overlay, the
// stand-in desktop's host window to type into, and the app delegate that
// starts them. Build it after the QApplication, on the main thread.
class DesktopApplication {
public:
    struct Options {
        // Where the program keeps its files ("com.quillmarker.app" goes inside).
        std::filesystem::path applicationSupport;
        // The user defaults' file.
        std::filesystem::path defaultsFile;
        // No display: keys come from standard input, and onboarding, which
        // needs someone to look at it, is passed over.
        bool headless = false;
        // Standard input is typed into the window with the keyboard also with
        // a display (headless, it always is), so a script can walk onboarding.
        bool typeStandardInput = false;
        // Pace of the standard-input keyboard.
        int keyIntervalMs = 20;
        // The stand-in application and field the host window shows.
        HostWindow::Spec hostWindow;
    };

    explicit DesktopApplication(Options options);
    ~DesktopApplication();
    DesktopApplication(const DesktopApplication&) = delete;
    DesktopApplication& operator=(const DesktopApplication&) = delete;

    // The start-up sequence. In headless mode the program quits once standard
    // input has ended and its keys were typed.
    void launch();
    // The stop sequence; then the object may be destroyed.
    void terminate();

    AppComposition& composition() { return *app_; }
    // The stand-in desktop's window to type into.
    HostWindow& hostWindow() { return *host_; }
    // The settings window's opener, for the failure alert.
    SettingsWindowController& settingsWindow() { return *settings_; }
    // Opens the settings window, on `section` when given, as the status menu's
    // "Settings…" does: the program becomes a regular application in front
    // until the window closes.
    void openSettings(std::optional<SettingsSection> section = std::nullopt);

private:
    AppComposition::Options compositionOptions();
    AppDelegate::Hooks delegateHooks();
    StatusMenuController::Hooks statusMenuHooks();
    bool windowsInMotion();
    void quitWhenSettled();

    Options options_;
    LinuxPlatform platform_;
    QtApplicationWindows windows_;
    OwnWindowKeyboardGuard guard_;
    HUDPanel hud_;
    std::unique_ptr<AppComposition> app_;
    std::unique_ptr<ActiveCountdownController> countdown_;
    std::unique_ptr<HostWindow> host_;
    std::unique_ptr<StatusMenuController> statusMenu_;
    std::unique_ptr<AppDelegate> delegate_;
    std::shared_ptr<NotificationDelegate> notificationDelegate_;
    std::unique_ptr<SettingsWindowController> settings_;
    std::unique_ptr<StdinKeyboard> keyboard_;
};

}  // namespace qm
