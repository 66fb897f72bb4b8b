#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/display/Rect.h"

namespace qm {

class Accessibility;

// Reads of the text field the user is typing in, in another application,
// through Accessibility. Every failure is an empty answer: the callers fall
// back rather than report. Positions are UTF-16 code units. Any thread.
namespace HostField {

// The element with the keyboard focus anywhere; nothing when it cannot be read.
std::optional<AXUIElement> focusedElement(Accessibility& accessibility);

std::optional<std::string> stringAttribute(const AXUIElement& element, std::string_view attribute);
std::optional<AXTextRange> selectedRange(const AXUIElement& element);
std::optional<std::string> stringForRange(const AXUIElement& element, AXTextRange range);

// Where the caret is, in Accessibility coordinates: the bounds of the selected
// range when both its x and y are above 0 (some hosts answer zero or
// off-screen boxes), else a caret-sized box 10 points in from the field's left
// edge whose bottom is the field's bottom; nothing when neither is known.
std::optional<Rect> caretRectangle(const AXUIElement& element);

// A password field: the platform marks it by its subrole (its role stays
// AXTextField); a host that reports it as the role is believed too.
bool isSecureTextField(const AXUIElement& element);

}  // namespace HostField

}  // namespace qm
