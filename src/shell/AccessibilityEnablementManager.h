#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/runtime/AliveToken.h"
#include "platform/workspace/RunningApplication.h"

namespace qm {

class Accessibility;
class MainLoop;

// Asks each application that comes to the front to expose its full
// Accessibility tree ("AXManualAccessibility" and "AXEnhancedUserInterface"
// set to true on its application element), then checks at 0.05, 0.20, 0.55
// and 1.30 s whether the tree answers (its focused element can be read). The
// outcome is remembered per bundle identifier for the life of the process:
// an application that answered is asked again on every activation, without
// checking; one that never answered is left to the bounding-box fallback and
// not asked again. The platform maker's own applications ("com.apple.")
// always answer and are never asked; applications without a bundle
// identifier are ignored.
//
// Main thread only: activations, the checks and the cache.
class AccessibilityEnablementManager {
public:
    enum class EnablementResult {
        enhanced,
        fallbackOnly,
    };

    static constexpr std::array<std::string_view, 2> attributeNames = {AXAttribute::manualAccessibility,
                                                                       AXAttribute::enhancedUserInterface};
    // Each delay counts from the previous check.
    static constexpr std::array<double, 4> pollDelays = {0.05, 0.15, 0.35, 0.75};

    // Both must outlive the manager (the loop also what it scheduled).
    AccessibilityEnablementManager(MainLoop& mainLoop, Accessibility& accessibility);
    AccessibilityEnablementManager(const AccessibilityEnablementManager&) = delete;
    AccessibilityEnablementManager& operator=(const AccessibilityEnablementManager&) = delete;

    void onAppActivated(const RunningApplication& application);

    // The remembered outcome; fallbackOnly for an application never seen.
    EnablementResult currentStrategy(const std::string& bundleID) const;

private:
    void applyAttributes(const AXUIElement& appElement);
    // Two activations of an application still being checked run two chains;
    // the last to finish decides.
    void pollForTreeReadiness(AXUIElement appElement, std::vector<double> delays, std::string bundleID);

    MainLoop& mainLoop_;
    Accessibility& accessibility_;
    std::map<std::string, EnablementResult> enabledAppCache_;
    AliveToken alive_;
};

}  // namespace qm
