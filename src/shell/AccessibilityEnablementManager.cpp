#include "shell/AccessibilityEnablementManager.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

namespace {

constexpr std::string_view kPlatformMakerPrefix = "com.apple.";

}  // namespace

AccessibilityEnablementManager::AccessibilityEnablementManager(MainLoop& mainLoop,
                                                               Accessibility& accessibility)
    : mainLoop_(mainLoop), accessibility_(accessibility)
{
}

void AccessibilityEnablementManager::onAppActivated(const RunningApplication& application)
{
    if (!application.bundleIdentifier) {
        return;
    }
    const std::string& bundleID = *application.bundleIdentifier;
    if (bundleID.starts_with(kPlatformMakerPrefix)) {
        enabledAppCache_[bundleID] = EnablementResult::enhanced;
        return;
    }
    const auto cached = enabledAppCache_.find(bundleID);
    if (cached != enabledAppCache_.end() && cached->second == EnablementResult::fallbackOnly) {
        return;
    }
    const AXUIElement appElement = accessibility_.applicationElement(application.processIdentifier);
    applyAttributes(appElement);
    if (cached == enabledAppCache_.end()) {
        pollForTreeReadiness(appElement, {pollDelays.begin(), pollDelays.end()}, bundleID);
    }
}

AccessibilityEnablementManager::EnablementResult
AccessibilityEnablementManager::currentStrategy(const std::string& bundleID) const
{
    const auto cached = enabledAppCache_.find(bundleID);
    return cached == enabledAppCache_.end() ? EnablementResult::fallbackOnly : cached->second;
}

void AccessibilityEnablementManager::applyAttributes(const AXUIElement& appElement)
{
    for (const std::string_view name : attributeNames) {
        // A refused attribute is only logged: the checks decide the outcome.
        const AXError result = appElement.setAttributeValue(name, AXValue::boolean(true));
        Log::log(fmt::format("🔍 AccessibilityEnablementManager: Set attribute '{}' on application element. "
                             "Result: {}",
                             name, axErrorCode(result)));
    }
}

void AccessibilityEnablementManager::pollForTreeReadiness(AXUIElement appElement, std::vector<double> delays,
                                                          std::string bundleID)
{
    if (delays.empty()) {
        enabledAppCache_[bundleID] = EnablementResult::fallbackOnly;
        Log::log(fmt::format("⚠️ AX enhancement failed for {}, using bounding-box fallback", bundleID));
        return;
    }
    const double delay = delays.front();
    delays.erase(delays.begin());
    mainLoop_.postAfter(delay, [this, watch = alive_.watch(), appElement = std::move(appElement),
                                delays = std::move(delays), bundleID = std::move(bundleID), delay]() mutable {
        AXValue focused;
        const bool ready =
            appElement.copyAttributeValue(AXAttribute::focusedUIElement, focused) == AXError::success &&
            !focused.isNone();
        if (ready) {
            if (watch) {
                enabledAppCache_[bundleID] = EnablementResult::enhanced;
            }
            Log::log(fmt::format("✅ AX tree confirmed for {} after {:.2f}s", bundleID, delay));
            return;
        }
        if (watch) {
            pollForTreeReadiness(std::move(appElement), std::move(delays), std::move(bundleID));
        }
    });
}

}  // namespace qm
