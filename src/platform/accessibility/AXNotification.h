#pragma once

#include <string_view>

// Accessibility notification names as the platform spells them.
namespace qm::AXNotification {

// The element is the newly focused element.
inline constexpr std::string_view focusedUIElementChanged = "AXFocusedUIElementChanged";
// The element is the text element whose selection (or caret) moved.
inline constexpr std::string_view selectedTextChanged = "AXSelectedTextChanged";
// The element is the element whose value changed.
inline constexpr std::string_view valueChanged = "AXValueChanged";

}  // namespace qm::AXNotification
