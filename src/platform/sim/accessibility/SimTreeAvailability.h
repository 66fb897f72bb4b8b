#pragma once

namespace qm {

// Whether an application answers for the contents of its windows (the focused
// element, the windows' children). Some applications build their tree only
// once asked to with "AXManualAccessibility" or "AXEnhancedUserInterface".
enum class SimTreeAvailability {
    ready,
    afterEnablement,
    never,
};

}  // namespace qm
