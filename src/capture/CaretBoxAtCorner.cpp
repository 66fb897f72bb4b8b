#include "capture/CaretBoxAtCorner.h"

#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"

namespace qm {

std::optional<Rect> caretBoxAtCorner(const AXUIElement& element)
{
    AXValue position;
    AXValue size;
    if (element.copyAttributeValue(AXAttribute::position, position) != AXError::success ||
        element.copyAttributeValue(AXAttribute::size, size) != AXError::success) {
        return std::nullopt;
    }
    const auto origin = position.asPoint();
    const auto extent = size.asSize();
    if (!origin || !extent) {
        return std::nullopt;
    }
    return Rect(origin->x + 10, origin->y + extent->height - 20, 10, 20);
}

}  // namespace qm
