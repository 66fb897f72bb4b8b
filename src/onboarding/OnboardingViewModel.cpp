#include "onboarding/OnboardingViewModel.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "onboarding/OnboardingCatalog.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "shell/PermissionsManager.h"
#include "shell/ShortcutPreference.h"

namespace qm {

namespace {

constexpr const char* kHasCompletedOnboarding = "hasCompletedOnboarding";
constexpr const char* kHasSelectedShortcut = "hasSelectedShortcut";

std::size_t indexOf(OnboardingPermission permission)
{
    return static_cast<std::size_t>(permission);
}

void logStep(int step)
{
    Log::log(fmt::format("🧭 Onboarding: step {} of {}", step, OnboardingViewModel::stepCount));
}

}  // namespace

OnboardingViewModel::OnboardingViewModel(Services services, std::function<void()> onCompletion)
    : services_(std::move(services)), onCompletion_(std::move(onCompletion)),
      sandbox_(services_.mainLoop, services_.clock, services_.calendar)
{
    sandbox_.setOnChange([this] { announce(); });
}

void OnboardingViewModel::setOnChange(std::function<void()> changed)
{
    changed_ = std::move(changed);
}

void OnboardingViewModel::announce()
{
    if (changed_) {
        changed_();
    }
}

void OnboardingViewModel::appear()
{
    logStep(currentStep_);
    updatePermissionStatus();
    if (!poll_.isValid()) {
        poll_ = Timer::scheduledTimer(services_.mainLoop, pollInterval, true,
                                      alive_.guard([this] { updatePermissionStatus(); }));
    }
}

void OnboardingViewModel::updatePermissionStatus()
{
    PermissionsManager& permissions = services_.permissions;
    store(OnboardingPermission::accessibility, permissions.isAccessibilityTrusted());
    store(OnboardingPermission::reminders, permissions.isRemindersAuthorized());
    store(OnboardingPermission::calendar, permissions.isCalendarAuthorized());
    announce();
    permissions.isNotificationsAuthorized(alive_.guard(
        [this](bool authorized) { setGranted(OnboardingPermission::notifications, authorized); }));
}

bool OnboardingViewModel::isGranted(OnboardingPermission permission) const
{
    return granted_[indexOf(permission)];
}

int OnboardingViewModel::permissionsGrantedCount() const
{
    int count = 0;
    for (const bool granted : granted_) {
        count += granted ? 1 : 0;
    }
    return count;
}

void OnboardingViewModel::store(OnboardingPermission permission, bool granted)
{
    bool& flag = granted_[indexOf(permission)];
    if (flag != granted) {
        Log::log(fmt::format("🔐 Onboarding: {} {}",
                             OnboardingCatalog::permissionCards()[indexOf(permission)].title,
                             granted ? "granted" : "not granted"));
    }
    flag = granted;
}

void OnboardingViewModel::setGranted(OnboardingPermission permission, bool granted)
{
    store(permission, granted);
    announce();
}

void OnboardingViewModel::setStep(int from, int to)
{
    // A control acts only on its own step, so no stale press goes backward.
    if (currentStep_ != from) {
        return;
    }
    currentStep_ = to;
    logStep(to);
    announce();
}

void OnboardingViewModel::getStarted()
{
    setStep(1, 2);
}

void OnboardingViewModel::continueToSandbox()
{
    if (canContinueToSandbox()) {
        setStep(2, 3);
    }
}

void OnboardingViewModel::finalizeSetup()
{
    if (canFinalizeSetup()) {
        setStep(3, 4);
    }
}

void OnboardingViewModel::launch()
{
    if (launched_) {
        return;
    }
    launched_ = true;
    services_.defaults.set(kHasCompletedOnboarding, true);
    services_.defaults.set(kHasSelectedShortcut, true);
    services_.notificationCenter.post(ShortcutPreference::changedNotification);
    Log::log("✅ Onboarding: complete");
    if (onCompletion_) {
        onCompletion_();
    }
}

void OnboardingViewModel::grant(OnboardingPermission permission)
{
    switch (permission) {
    case OnboardingPermission::accessibility:
        grantAccessibility();
        break;
    case OnboardingPermission::notifications:
        grantNotifications();
        break;
    case OnboardingPermission::reminders:
        grantStoreAccess(permission, &PermissionsManager::isRemindersAuthorized,
                         &PermissionsManager::requestRemindersAccess,
                         &PermissionsManager::openRemindersSettings);
        break;
    case OnboardingPermission::calendar:
        grantStoreAccess(permission, &PermissionsManager::isCalendarAuthorized,
                         &PermissionsManager::requestCalendarAccess,
                         &PermissionsManager::openCalendarSettings);
        break;
    }
}

void OnboardingViewModel::grantAccessibility()
{
    PermissionsManager& permissions = services_.permissions;
    if (permissions.isAccessibilityTrusted()) {
        setGranted(OnboardingPermission::accessibility, true);
        return;
    }
    // The poll sees the trust once the user gave it.
    permissions.requestAccessibility(true);
    permissions.openAccessibilitySettings();
}

void OnboardingViewModel::grantNotifications()
{
    PermissionsManager& permissions = services_.permissions;
    permissions.isNotificationsAuthorized(alive_.guard([this](bool authorized) {
        if (authorized) {
            setGranted(OnboardingPermission::notifications, true);
            return;
        }
        services_.permissions.requestNotificationsAccess(alive_.guard([this](bool granted) {
            setGranted(OnboardingPermission::notifications, granted);
            if (!granted) {
                services_.permissions.openNotificationSettings();
            }
        }));
    }));
}

// Reminders and calendars: a granted check needs no prompt; a refusal opens
// the permission's pane, where the user can still grant it.
void OnboardingViewModel::grantStoreAccess(
    OnboardingPermission permission, bool (PermissionsManager::*check)(),
    void (PermissionsManager::*request)(PermissionsManager::Completion),
    void (PermissionsManager::*openSettings)())
{
    PermissionsManager& permissions = services_.permissions;
    if ((permissions.*check)()) {
        setGranted(permission, true);
        return;
    }
    (permissions.*request)(alive_.guard([this, permission, openSettings](bool granted) {
        setGranted(permission, granted);
        if (!granted) {
            (services_.permissions.*openSettings)();
        }
    }));
}

}  // namespace qm
