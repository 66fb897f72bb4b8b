#include "app/HostField.h"

#include "capture/CaretBoxAtCorner.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXRole.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"

namespace qm::HostField {

std::optional<AXUIElement> focusedElement(Accessibility& accessibility)
{
    AXValue value;
    if (accessibility.systemWideElement().copyAttributeValue(AXAttribute::focusedUIElement, value) !=
        AXError::success) {
        return std::nullopt;
    }
    auto element = value.asElement();
    if (!element || element->isNull()) {
        return std::nullopt;
    }
    return element;
}

std::optional<std::string> stringAttribute(const AXUIElement& element, std::string_view attribute)
{
    AXValue value;
    if (element.copyAttributeValue(attribute, value) != AXError::success) {
        return std::nullopt;
    }
    return value.asString();
}

std::optional<AXTextRange> selectedRange(const AXUIElement& element)
{
    AXValue value;
    if (element.copyAttributeValue(AXAttribute::selectedTextRange, value) != AXError::success) {
        return std::nullopt;
    }
    return value.asRange();
}

std::optional<std::string> stringForRange(const AXUIElement& element, AXTextRange range)
{
    if (range.location < 0 || range.length < 0) {
        return std::nullopt;
    }
    AXValue value;
    if (element.copyParameterizedAttributeValue(AXAttribute::stringForRange, AXValue::range(range), value) !=
        AXError::success) {
        return std::nullopt;
    }
    return value.asString();
}

std::optional<Rect> caretRectangle(const AXUIElement& element)
{
    if (const auto range = selectedRange(element)) {
        AXValue bounds;
        if (element.copyParameterizedAttributeValue(AXAttribute::boundsForRange, AXValue::range(*range),
                                                    bounds) == AXError::success) {
            if (const auto rect = bounds.asRect(); rect && rect->x() > 0 && rect->y() > 0) {
                return rect;
            }
        }
    }
    return caretBoxAtCorner(element);
}

bool isSecureTextField(const AXUIElement& element)
{
    return stringAttribute(element, AXAttribute::subrole) == AXRole::secureTextField ||
           stringAttribute(element, AXAttribute::role) == AXRole::secureTextField;
}

}  // namespace qm::HostField
