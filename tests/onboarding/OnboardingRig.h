#pragma once

#include <memory>
#include <string>
#include <vector>

#include "onboarding/OnboardingViewModel.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/accessibility/SimAccessibilityTrust.h"
#include "platform/sim/desktop/SimDesktopState.h"
#include "platform/sim/eventstore/SimEventStoreBackend.h"
#include "platform/sim/notifications/SimUserNotificationCenter.h"
#include "platform/sim/runtime/SimClock.h"
#include "platform/sim/runtime/SimMainLoop.h"
#include "platform/sim/workspace/SimWorkspace.h"
#include "platform/storage/UserDefaults.h"
#include "shell/PermissionsManager.h"

namespace qm::test {

// The onboarding window's services on the stand-ins, on the manual loop and
// clock: a test plays the user at the prompts and in System Settings. It
// starts as a first start: nothing granted, nothing asked.
struct OnboardingRig {
    OnboardingRig() { trust.setTrusted(false); }

    using StoreStatus = EventStoreAuthorizationStatus;
    using NotificationStatus = UserNotificationSettings::AuthorizationStatus;

    OnboardingViewModel::Services services(std::optional<Calendar> calendar = Calendar::withTimeZone("UTC"))
    {
        return {loop, clock, defaults, center, permissions, std::move(calendar)};
    }

    // Every permission granted, as System Settings would have it.
    void grantAll()
    {
        trust.setTrusted(true);
        notifications.setAuthorizationStatus(NotificationStatus::authorized);
        events->setAuthorizationStatus(EventStoreEntityType::reminder, StoreStatus::fullAccess);
        events->setAuthorizationStatus(EventStoreEntityType::event, StoreStatus::fullAccess);
    }

    std::vector<std::string> openedURLs() const { return workspace.openedURLs(); }

    SimClock clock;
    SimMainLoop loop{clock};
    NotificationCenter center;
    UserDefaults defaults{"", &center};
    std::shared_ptr<SimDesktopState> desktop = std::make_shared<SimDesktopState>(loop);
    SimAccessibilityTrust trust{desktop};
    SimWorkspace workspace{desktop, 4242};
    SimUserNotificationCenter notifications{loop, clock};
    std::shared_ptr<SimEventStoreBackend> events = std::make_shared<SimEventStoreBackend>(loop);
    PermissionsManager permissions{trust, workspace, notifications, events->factory()};
};

}  // namespace qm::test
