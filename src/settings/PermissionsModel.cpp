#include "settings/PermissionsModel.h"

#include "shell/PermissionsManager.h"

namespace qm {

PermissionsModel::PermissionsModel(PermissionsManager& permissions, MainLoop& mainLoop)
    : permissions_(permissions), mainLoop_(mainLoop)
{
}

PermissionsModel::~PermissionsModel()
{
    stopPolling();
}

void PermissionsModel::updatePermissionStatuses()
{
    set(accessibility_, permissions_.isAccessibilityTrusted());
    set(reminders_, permissions_.isRemindersAuthorized());
    set(calendar_, permissions_.isCalendarAuthorized());
    permissions_.isNotificationsAuthorized(onMain([this](bool granted) { set(notifications_, granted); }));
}

void PermissionsModel::checkAccessibility()
{
    if (permissions_.isAccessibilityTrusted()) {
        set(accessibility_, true);
        return;
    }
    (void)permissions_.requestAccessibility(true);
    if (!isPollingAccessibility()) {
        schedulePoll();
    }
    permissions_.openAccessibilitySettings();
}

void PermissionsModel::checkReminders()
{
    if (permissions_.isRemindersAuthorized()) {
        set(reminders_, true);
        return;
    }
    permissions_.requestRemindersAccess(onMain([this](bool granted) { set(reminders_, granted); }));
}

void PermissionsModel::checkNotifications()
{
    permissions_.isNotificationsAuthorized(onMain([this](bool authorized) {
        if (authorized) {
            set(notifications_, true);
            return;
        }
        permissions_.requestNotificationsAccess(onMain([this](bool granted) {
            set(notifications_, granted);
            if (!granted) {
                permissions_.openNotificationSettings();
            }
        }));
    }));
}

void PermissionsModel::checkCalendar()
{
    if (permissions_.isCalendarAuthorized()) {
        set(calendar_, true);
        return;
    }
    permissions_.requestCalendarAccess(onMain([this](bool granted) {
        set(calendar_, granted);
        if (!granted) {
            permissions_.openCalendarSettings();
        }
    }));
}

void PermissionsModel::stopPolling()
{
    poll_.cancel();
    poll_ = ScheduledTask();
}

void PermissionsModel::schedulePoll()
{
    poll_ = mainLoop_.postAfter(kPollInterval, alive_.guard([this] {
        if (permissions_.isAccessibilityTrusted()) {
            poll_ = ScheduledTask();
            set(accessibility_, true);
            return;
        }
        schedulePoll();
    }));
}

std::function<void(bool)> PermissionsModel::onMain(std::function<void(bool)> apply)
{
    auto guarded = alive_.guard(std::move(apply));
    return [loop = &mainLoop_, guarded](bool value) {
        loop->post([guarded, value]() mutable { guarded(value); });
    };
}

void PermissionsModel::set(bool& flag, bool value)
{
    flag = value;
    if (onChange) {
        onChange();
    }
}

}  // namespace qm
