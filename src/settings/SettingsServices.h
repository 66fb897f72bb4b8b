#pragma once

#include <functional>

namespace qm {

class CaptureHistoryStore;
class Clock;
class FallbackCaptureLogger;
class KeychainHelper;
class MainLoop;
class NotificationCenter;
class NotificationScheduler;
class Pasteboard;
class PermissionsManager;
class UserDefaults;
class Workspace;

// What the settings window's pages read and change. Every reference must
// outlive the window's models.
struct SettingsServices {
    MainLoop& mainLoop;
    NotificationCenter& notificationCenter;
    UserDefaults& defaults;
    KeychainHelper& keychain;
    CaptureHistoryStore& history;
    FallbackCaptureLogger& fallbackLog;
    Pasteboard& pasteboard;
    Workspace& workspace;
    // Lists and cancels the pending timers and alarms.
    NotificationScheduler& scheduler;
    PermissionsManager& permissions;
    const Clock& clock;
    // Starts (true) or stops (false) the local MCP server.
    std::function<void(bool)> setMCPServerRunning;
};

}  // namespace qm
