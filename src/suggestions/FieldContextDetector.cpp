#include "suggestions/FieldContextDetector.h"

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXRole.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/workspace/Workspace.h"
#include "suggestions/FieldContextHeuristics.h"

namespace qm {

FieldContextDetector::FieldContextDetector(Accessibility& accessibility, const Workspace& workspace)
    : accessibility_(accessibility), workspace_(workspace)
{
}

FieldContextResult FieldContextDetector::detect() const
{
    AXValue focused;
    const AXUIElement systemWide = accessibility_.systemWideElement();
    if (systemWide.copyAttributeValue(AXAttribute::focusedUIElement, focused) == AXError::success) {
        if (auto element = focused.asElement(); element && !element->isNull()) {
            return detect(*element);
        }
    }
    if (auto bundleId = frontmostBundleId()) {
        const FieldContext context = FieldContextHeuristics::evaluateFallbackHeuristics(*bundleId);
        return {context, std::nullopt, std::move(bundleId), std::nullopt};
    }
    return {};
}

FieldContextResult FieldContextDetector::detect(const AXUIElement& element) const
{
    return detect(element, std::nullopt);
}

FieldContextResult FieldContextDetector::detect(const AXUIElement& element,
                                                std::optional<std::string> appBundleId) const
{
    FieldContextResult result;
    result.appBundleId = appBundleId ? std::move(appBundleId) : frontmostBundleId();

    FieldContextHeuristics::Attributes attributes;
    attributes.roleDescription = getAttributeString(element, AXAttribute::roleDescription);
    attributes.placeholder = getAttributeString(element, AXAttribute::placeholderValue);
    attributes.title = getAttributeString(element, AXAttribute::title);
    attributes.description = getAttributeString(element, AXAttribute::description);
    attributes.value = getAttributeString(element, AXAttribute::value);

    // An empty placeholder still wins over the title: the field has one, it is just blank.
    result.label = attributes.placeholder ? attributes.placeholder
                                          : (attributes.title ? attributes.title : attributes.description);

    // The role description is localized ("sicheres Textfeld"), so the keyword
    // rule alone can miss a password field; the role never is.
    result.context =
        isSecureTextField(element)
            ? FieldContext::password
            : FieldContextHeuristics::evaluateHeuristics(attributes, result.appBundleId.value_or(""));

    if (result.appBundleId && FieldContextHeuristics::isBrowser(*result.appBundleId)) {
        if (const auto title = getWindowTitle(element)) {
            result.domain = FieldContextHeuristics::extractDomain(*title);
        }
    }
    if (result.label && result.label->empty()) {
        result.label.reset();
    }
    return result;
}

std::optional<std::string> FieldContextDetector::getAttributeString(const AXUIElement& element,
                                                                    std::string_view attribute)
{
    AXValue value;
    if (element.copyAttributeValue(attribute, value) != AXError::success) {
        return std::nullopt;
    }
    return value.asString();
}

std::optional<std::string> FieldContextDetector::frontmostBundleId() const
{
    if (auto application = workspace_.frontmostApplication()) {
        return application->bundleIdentifier;
    }
    return std::nullopt;
}

std::optional<std::string> FieldContextDetector::getWindowTitle(const AXUIElement& element)
{
    AXUIElement current = element;
    for (int examined = 1; examined <= maxWindowTitleDepth; ++examined) {
        if (getAttributeString(current, AXAttribute::role) == AXRole::window) {
            if (auto title = getAttributeString(current, AXAttribute::title)) {
                return title;
            }
        }
        if (examined == maxWindowTitleDepth) {
            break;
        }
        AXValue parent;
        if (current.copyAttributeValue(AXAttribute::parent, parent) != AXError::success) {
            return std::nullopt;
        }
        auto next = parent.asElement();
        if (!next || next->isNull()) {
            return std::nullopt;
        }
        current = std::move(*next);
    }
    return std::nullopt;
}

bool FieldContextDetector::isSecureTextField(const AXUIElement& element)
{
    return getAttributeString(element, AXAttribute::role) == AXRole::secureTextField ||
           getAttributeString(element, AXAttribute::subrole) == AXRole::secureTextField;
}

}  // namespace qm
