#pragma once

#include <string>
#include <vector>

#include "onboarding/OnboardingPermission.h"

namespace qm {

// The fixed tables of the onboarding window: the practice sandbox's commands
// with the names of their simulated destinations, the welcome page's list of
// capture actions, the sandbox's example chips and the four permission cards.
class OnboardingCatalog {
public:
    struct SandboxTrigger {
        std::string command;
        std::string destination;
    };
    struct CaptureAction {
        std::string trigger;
        std::string title;
        std::string nuance;
    };
    struct Chip {
        std::string command;
        std::string seed;
    };
    struct PermissionCard {
        OnboardingPermission permission;
        std::string icon;
        std::string title;
        std::string detail;
        std::string grantLabel;
    };

    OnboardingCatalog() = delete;

    // In matching order: the first row whose command matches wins.
    static const std::vector<SandboxTrigger>& sandboxTriggers();
    // In the welcome page's order.
    static const std::vector<CaptureAction>& advertisedCaptureActions();
    // The sandbox's chips, row by row, in display order.
    static const std::vector<std::vector<Chip>>& sandboxChipRows();
    // Top to bottom: Accessibility, Notifications, Reminders, Calendar.
    static const std::vector<PermissionCard>& permissionCards();
};

}  // namespace qm
