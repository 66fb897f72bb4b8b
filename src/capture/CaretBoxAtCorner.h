#pragma once

#include <optional>

#include "platform/accessibility/AXUIElement.h"
#include "platform/display/Rect.h"

namespace qm {

// Where a caret is taken to be when a field cannot tell: a caret-sized box
// (10 by 20) whose bottom edge is the field's bottom edge, 10 points in from
// its left edge, in Accessibility coordinates. None when the field's position
// or size cannot be read.
std::optional<Rect> caretBoxAtCorner(const AXUIElement& element);

}  // namespace qm
