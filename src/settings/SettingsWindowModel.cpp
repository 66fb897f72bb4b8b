#include "settings/SettingsWindowModel.h"

#include "shell/ShellNotifications.h"

namespace qm {

SettingsWindowModel::SettingsWindowModel(SettingsServices services)
    : services_(std::move(services)),
      general_(services_.defaults, services_.notificationCenter, services_.setMCPServerRunning),
      captureTargets_(services_.defaults, services_.keychain, services_.notificationCenter),
      scheduled_(services_.scheduler, services_.mainLoop, services_.clock),
      permissions_(services_.permissions, services_.mainLoop)
{
    selectObserver_ = services_.notificationCenter.addObserver(
        ShellNotifications::selectSettingsSection, nullptr,
        [this](const Notification& notification) { receiveSelectSettingsSection(notification); });
}

SettingsWindowModel::~SettingsWindowModel()
{
    services_.notificationCenter.removeObserver(selectObserver_);
    close();
}

void SettingsWindowModel::selectSection(SettingsSection section)
{
    if (section == currentSection_) {
        return;
    }
    currentSection_ = section;
    enter(section);
    if (onSectionChanged) {
        onSectionChanged(section);
    }
}

void SettingsWindowModel::appear()
{
    permissions_.updatePermissionStatuses();
    captureTargets_.loadSlackToken();
    scheduled_.refreshPendingCaptures();
    if (!history_ && !errorLogs_ && !shortcuts_) {
        makePage(currentSection_);
    }
    if (currentSection_ == SettingsSection::scheduled && !scheduled_.isRefreshTimerRunning()) {
        scheduled_.startRefreshTimer();
    }
}

void SettingsWindowModel::close()
{
    scheduled_.stop();
    permissions_.stopPolling();
    // The pages that start afresh go with the window; their observers and copy marks with them.
    history_.reset();
    errorLogs_.reset();
    shortcuts_.reset();
}

void SettingsWindowModel::receiveSelectSettingsSection(const Notification& notification)
{
    if (auto raw = notification.userInfo.get<std::string>("section")) {
        if (auto section = SettingsSections::fromRawValue(*raw)) {
            selectSection(*section);
        }
    }
    auto field = notification.userInfo.get<std::string>("field");
    setFocusedField(field);
    if (field) {
        services_.mainLoop.postAfter(kFocusDelay, alive_.guard([this, id = *field] {
            settingsFocus_ = id;
            if (onFocusField) {
                onFocusField(id);
            }
        }));
    }
}

void SettingsWindowModel::setFocusedField(std::optional<std::string> field)
{
    if (field == focusedField_) {
        return;
    }
    focusedField_ = std::move(field);
    if (onFocusedFieldChanged) {
        onFocusedFieldChanged();
    }
    if (focusedField_) {
        services_.mainLoop.postAfter(kScrollDelay, alive_.guard([this, id = *focusedField_] {
            if (onScrollToCard) {
                onScrollToCard(id);
            }
        }));
    }
}

void SettingsWindowModel::enter(SettingsSection section)
{
    if (section == SettingsSection::scheduled) {
        scheduled_.refreshPendingCaptures();
        scheduled_.startRefreshTimer();
    } else {
        scheduled_.stopRefreshTimer();
    }
    history_.reset();
    errorLogs_.reset();
    shortcuts_.reset();
    makePage(section);
}

void SettingsWindowModel::makePage(SettingsSection section)
{
    switch (section) {
    case SettingsSection::history:
        history_ = std::make_unique<CaptureHistoryModel>(services_.history, services_.pasteboard,
                                                         services_.notificationCenter, services_.mainLoop,
                                                         services_.clock);
        history_->load();
        break;
    case SettingsSection::errorLogs:
        errorLogs_ =
            std::make_unique<ErrorLogsModel>(services_.fallbackLog, services_.pasteboard, services_.workspace,
                                             services_.notificationCenter, services_.mainLoop);
        errorLogs_->reload();
        break;
    case SettingsSection::shortcuts:
        shortcuts_ =
            std::make_unique<ShortcutRecorderModel>(services_.defaults, services_.notificationCenter);
        break;
    default:
        break;
    }
}

}  // namespace qm
