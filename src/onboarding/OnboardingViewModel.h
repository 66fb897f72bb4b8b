#pragma once

#include <functional>
#include <optional>

#include "base/Calendar.h"
#include "onboarding/OnboardingPermission.h"
#include "onboarding/SandboxViewModel.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/Timer.h"

namespace qm {

class Clock;
class MainLoop;
class NotificationCenter;
class PermissionsManager;
class UserDefaults;

// The first-run window's state and its four steps: welcome (1), the four
// permissions (2), the practice sandbox (3) and completion (4). Steps only go
// forward, one at a time, each through its own control: "Get Started",
// "Continue to Sandbox" once all four permissions are granted, "Next:
// Finalize Setup" once a practice capture was routed. The launch action of
// the last step stores "hasCompletedOnboarding" and "hasSelectedShortcut",
// posts "ShortcutPreferenceChanged" and hands over to the shell.
//
// From appear() on, the four permission flags follow the system's answer,
// once at once and then every second, at every step, in both directions.
//
// Main thread only. Every change is announced through the change callback;
// the poll and every asynchronous answer hold a guard, so a model that is
// gone is never touched.
class OnboardingViewModel {
public:
    struct Services {
        MainLoop& mainLoop;
        const Clock& clock;
        UserDefaults& defaults;
        NotificationCenter& notificationCenter;
        PermissionsManager& permissions;
        // The time zone of the sandbox feed's times; the user's when empty.
        std::optional<Calendar> calendar;
    };

    static constexpr int stepCount = 4;
    static constexpr double pollInterval = 1.0;

    // `onCompletion` runs once, at the end of the launch action.
    OnboardingViewModel(Services services, std::function<void()> onCompletion);
    OnboardingViewModel(const OnboardingViewModel&) = delete;
    OnboardingViewModel& operator=(const OnboardingViewModel&) = delete;

    void setOnChange(std::function<void()> changed);

    // The window came on screen: the first permission check, then the poll.
    void appear();
    // One permission check (what the poll runs).
    void updatePermissionStatus();

    int currentStep() const { return currentStep_; }
    bool isGranted(OnboardingPermission permission) const;
    int permissionsGrantedCount() const;
    bool canContinueToSandbox() const { return permissionsGrantedCount() == 4; }
    bool canFinalizeSetup() const { return sandbox_.testCount() > 0; }

    // The step controls; each acts only on its own step and when enabled.
    void getStarted();
    void continueToSandbox();
    void finalizeSetup();
    // Stores the two onboarding keys, announces the shortcut, hands over.
    // Only the first press acts: the shell is handed over to once.
    void launch();

    // A permission card's button.
    void grant(OnboardingPermission permission);

    SandboxViewModel& sandbox() { return sandbox_; }
    const SandboxViewModel& sandbox() const { return sandbox_; }

private:
    void setStep(int from, int to);
    // Writes a flag, logging a change; announces nothing.
    void store(OnboardingPermission permission, bool granted);
    void setGranted(OnboardingPermission permission, bool granted);
    void grantAccessibility();
    void grantNotifications();
    void grantStoreAccess(OnboardingPermission permission, bool (PermissionsManager::*check)(),
                          void (PermissionsManager::*request)(std::function<void(bool)>),
                          void (PermissionsManager::*openSettings)());
    void announce();

    Services services_;
    std::function<void()> onCompletion_;
    std::function<void()> changed_;
    SandboxViewModel sandbox_;
    int currentStep_ = 1;
    bool granted_[4] = {false, false, false, false};
    bool launched_ = false;
    Timer poll_;
    AliveToken alive_;
};

}  // namespace qm
