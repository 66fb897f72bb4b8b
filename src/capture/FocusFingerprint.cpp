#include "capture/FocusFingerprint.h"

#include <cmath>

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"

namespace qm {

namespace {

std::string stringAttribute(const AXUIElement& element, std::string_view attribute)
{
    AXValue value;
    if (element.copyAttributeValue(attribute, value) != AXError::success) {
        return {};
    }
    return value.asString().value_or("");
}

// Rounds half away from zero; sizes beyond the integer range count as unreadable.
std::int64_t roundedDimension(double value)
{
    const double rounded = std::round(value);
    if (!std::isfinite(rounded) || std::fabs(rounded) > 9.0e15) {
        return 0;
    }
    return static_cast<std::int64_t>(rounded);
}

}  // namespace

FocusFingerprint FocusFingerprint::of(const std::string& bundleId, const AXUIElement& element)
{
    FocusFingerprint fingerprint;
    fingerprint.bundleId = bundleId;
    fingerprint.role = stringAttribute(element, AXAttribute::role);
    fingerprint.identifier = stringAttribute(element, AXAttribute::identifier);
    fingerprint.label = stringAttribute(element, AXAttribute::description);
    if (fingerprint.label.empty()) {
        fingerprint.label = stringAttribute(element, AXAttribute::title);
    }

    AXValue size;
    if (element.copyAttributeValue(AXAttribute::size, size) == AXError::success) {
        if (const auto dimensions = size.asSize()) {
            const std::int64_t width = roundedDimension(dimensions->width);
            const std::int64_t height = roundedDimension(dimensions->height);
            fingerprint.width = width;
            fingerprint.height = height;
        }
    }

    AXValue window;
    if (element.copyAttributeValue(AXAttribute::window, window) == AXError::success) {
        if (const auto windowElement = window.asElement()) {
            fingerprint.windowTitle = stringAttribute(*windowElement, AXAttribute::title);
        }
    }
    return fingerprint;
}

}  // namespace qm
