#include "settings/GeneralSettingsModel.h"

#include "platform/storage/UserDefaults.h"

namespace qm {

GeneralSettingsModel::GeneralSettingsModel(UserDefaults& defaults, NotificationCenter& notificationCenter,
                                           std::function<void(bool)> setServerRunning)
    : defaults_(defaults), notificationCenter_(notificationCenter),
      setServerRunning_(std::move(setServerRunning)), applied_(defaults.boolForKey(mcpServerEnabledKey))
{
    defaultsObserver_ = notificationCenter_.addObserver(UserDefaults::kDidChangeNotification, &defaults_,
                                                        [this](const Notification&) { applyIfChanged(); });
}

GeneralSettingsModel::~GeneralSettingsModel()
{
    notificationCenter_.removeObserver(defaultsObserver_);
}

bool GeneralSettingsModel::isMCPServerEnabled() const
{
    return defaults_.boolForKey(mcpServerEnabledKey);
}

void GeneralSettingsModel::setMCPServerEnabled(bool enabled)
{
    defaults_.set(mcpServerEnabledKey, enabled);
    // Setting the same value posts no change notice: the switch did not move.
    applyIfChanged();
}

void GeneralSettingsModel::applyIfChanged()
{
    const bool enabled = isMCPServerEnabled();
    if (enabled == applied_) {
        return;
    }
    applied_ = enabled;
    if (setServerRunning_) {
        setServerRunning_(enabled);
    }
    if (onChange) {
        onChange();
    }
}

}  // namespace qm
