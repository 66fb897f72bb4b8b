#include "records/HostFocus.h"

#include "base/Paths.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/workspace/Workspace.h"

namespace qm {

HostFocus::HostFocus(Workspace& workspace, Accessibility& accessibility, HeldContext heldContext)
    : workspace_(workspace), accessibility_(accessibility), heldContext_(std::move(heldContext))
{
}

HostCaptureContext HostFocus::snapshot() const
{
    const auto frontmost = workspace_.frontmostApplication();
    if (!frontmost) {
        return HostCaptureContext{HostCaptureContext::kUnknownAppName, std::nullopt,
                                  windowTitle(std::nullopt)};
    }
    if (frontmost->bundleIdentifier == paths::kBundleIdentifier) {
        return heldContext_ ? heldContext_() : HostCaptureContext{};
    }
    // An empty name is no better known than a missing one.
    const auto& name = frontmost->localizedName;
    return HostCaptureContext{name && !name->empty() ? *name : HostCaptureContext::kUnknownAppName,
                              frontmost->bundleIdentifier, windowTitle(frontmost)};
}

std::string HostFocus::windowTitle(const std::optional<RunningApplication>& application) const
{
    if (!application || application->processIdentifier == workspace_.currentApplication().processIdentifier) {
        return {};
    }
    const AXUIElement app = accessibility_.applicationElement(application->processIdentifier);
    AXValue window;
    if (app.copyAttributeValue(AXAttribute::focusedWindow, window) != AXError::success) {
        return {};
    }
    const auto windowElement = window.asElement();
    if (!windowElement || windowElement->isNull()) {
        return {};
    }
    AXValue title;
    if (windowElement->copyAttributeValue(AXAttribute::title, title) != AXError::success) {
        return {};
    }
    return title.asString().value_or(std::string());
}

}  // namespace qm
