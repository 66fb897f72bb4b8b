#include "knowledge/ContextTransitionDetector.h"

#include <fmt/format.h>

#include "base/Log.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/notifications/Notification.h"
#include "platform/runtime/Clock.h"
#include "platform/workspace/RunningApplication.h"
#include "platform/workspace/Workspace.h"

namespace qm {

ContextTransitionDetector::ContextTransitionDetector(Workspace& workspace, Accessibility& accessibility,
                                                     MainLoop& mainLoop, const Clock& clock)
    : workspace_(workspace), accessibility_(accessibility), clock_(clock), lastActivityTime_(clock.now())
{
    observer_ = workspace_.notificationCenter().addObserver(
        std::string(Workspace::didActivateApplicationNotification), nullptr,
        [this](const Notification& notification) { applicationDidActivate(notification); });
    // The timer dies with the detector, so its block never outlives `this`.
    timer_ = Timer::scheduledTimer(mainLoop, pollInterval, true, [this] { checkWindowTitleShift(); });
}

ContextTransitionDetector::~ContextTransitionDetector()
{
    workspace_.notificationCenter().removeObserver(observer_);
    timer_.invalidate();
}

void ContextTransitionDetector::recordActivity()
{
    lastActivityTime_ = clock_.now();
}

void ContextTransitionDetector::applicationDidActivate(const Notification& notification)
{
    const auto application =
        notification.userInfo.get<RunningApplication>(std::string(Workspace::applicationUserInfoKey));
    if (!application || !application->bundleIdentifier) {
        return;
    }
    handleTransition(*application->bundleIdentifier, application->localizedName.value_or(""));
}

std::string ContextTransitionDetector::focusedWindowTitle()
{
    AXValue value;
    if (accessibility_.systemWideElement().copyAttributeValue(AXAttribute::focusedApplication, value) !=
        AXError::success) {
        return "";
    }
    const auto application = value.asElement();
    if (!application ||
        application->copyAttributeValue(AXAttribute::focusedWindow, value) != AXError::success) {
        return "";
    }
    const auto window = value.asElement();
    if (!window || window->copyAttributeValue(AXAttribute::title, value) != AXError::success) {
        return "";
    }
    return value.asString().value_or("");
}

void ContextTransitionDetector::checkWindowTitleShift()
{
    const auto front = workspace_.frontmostApplication();
    if (!front || !front->bundleIdentifier) {
        return;
    }
    const auto title = focusedWindowTitle();
    if (*front->bundleIdentifier != lastActiveAppBundleId_ || title != lastActiveWindowTitle_) {
        handleTransition(*front->bundleIdentifier, title);
    }
}

void ContextTransitionDetector::handleTransition(const std::string& appBundleId,
                                                 const std::string& windowTitle)
{
    const auto now = clock_.now();
    const auto gap = now - lastActivityTime_;
    lastActivityTime_ = now;
    const bool isIdleResume = gap > idleThreshold;
    if (appBundleId == lastActiveAppBundleId_ && windowTitle == lastActiveWindowTitle_ && !isIdleResume) {
        return;
    }
    lastActiveAppBundleId_ = appBundleId;
    lastActiveWindowTitle_ = windowTitle;
    Log::print(fmt::format("⚡ Context Transition Detected: App={}, Title={}, IdleResume={}", appBundleId,
                           windowTitle, isIdleResume ? "true" : "false"));
    if (onContextTransition_) {
        onContextTransition_(appBundleId, windowTitle, isIdleResume);
    }
}

}  // namespace qm
