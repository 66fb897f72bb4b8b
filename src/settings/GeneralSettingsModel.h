#pragma once

#include <functional>

#include "platform/notifications/NotificationCenter.h"

namespace qm {

class UserDefaults;

// The General page: the "Enable Local MCP Server" switch, kept in the user
// default "isMCPServerEnabled" and applied at once. A change made in the
// defaults from elsewhere while the page lives is applied too; opening the page
// starts and stops nothing. Main thread only.
class GeneralSettingsModel {
public:
    static constexpr const char* mcpServerEnabledKey = "isMCPServerEnabled";

    // `setServerRunning` starts (true) or stops (false) the server.
    GeneralSettingsModel(UserDefaults& defaults, NotificationCenter& notificationCenter,
                         std::function<void(bool)> setServerRunning);
    ~GeneralSettingsModel();
    GeneralSettingsModel(const GeneralSettingsModel&) = delete;
    GeneralSettingsModel& operator=(const GeneralSettingsModel&) = delete;

    bool isMCPServerEnabled() const;
    void setMCPServerEnabled(bool enabled);

    // Called after the switch's value changed, wherever the change came from.
    std::function<void()> onChange;

private:
    void applyIfChanged();

    UserDefaults& defaults_;
    NotificationCenter& notificationCenter_;
    std::function<void(bool)> setServerRunning_;
    bool applied_;
    NotificationCenter::ObserverToken defaultsObserver_;
};

}  // namespace qm
