#pragma once

#include <string_view>

// The names of the Accessibility attributes the program reads and writes, as
// the platform spells them.
namespace qm::AXAttribute {

// Of the system-wide element.
inline constexpr std::string_view focusedApplication = "AXFocusedApplication";
// Of the system-wide element and of an application element.
inline constexpr std::string_view focusedUIElement = "AXFocusedUIElement";

// Of an application element.
inline constexpr std::string_view focusedWindow = "AXFocusedWindow";
inline constexpr std::string_view windows = "AXWindows";
inline constexpr std::string_view frontmost = "AXFrontmost";
// Booleans that ask an application to build its full tree (settable).
inline constexpr std::string_view manualAccessibility = "AXManualAccessibility";
inline constexpr std::string_view enhancedUserInterface = "AXEnhancedUserInterface";

// Of every element.
inline constexpr std::string_view role = "AXRole";
inline constexpr std::string_view subrole = "AXSubrole";
inline constexpr std::string_view roleDescription = "AXRoleDescription";
inline constexpr std::string_view identifier = "AXIdentifier";
inline constexpr std::string_view description = "AXDescription";
inline constexpr std::string_view title = "AXTitle";
inline constexpr std::string_view parent = "AXParent";
inline constexpr std::string_view children = "AXChildren";
inline constexpr std::string_view window = "AXWindow";
inline constexpr std::string_view position = "AXPosition";
inline constexpr std::string_view size = "AXSize";
inline constexpr std::string_view focused = "AXFocused";

// Of text elements. Ranges and counts are UTF-16 code units.
inline constexpr std::string_view value = "AXValue";
inline constexpr std::string_view placeholderValue = "AXPlaceholderValue";
inline constexpr std::string_view selectedTextRange = "AXSelectedTextRange";
inline constexpr std::string_view selectedText = "AXSelectedText";
inline constexpr std::string_view numberOfCharacters = "AXNumberOfCharacters";
inline constexpr std::string_view insertionPointLineNumber = "AXInsertionPointLineNumber";
inline constexpr std::string_view visibleCharacterRange = "AXVisibleCharacterRange";

// Of a web page (a browser's web area).
inline constexpr std::string_view url = "AXURL";

// Parameterised: both take a range value.
inline constexpr std::string_view boundsForRange = "AXBoundsForRange";
inline constexpr std::string_view stringForRange = "AXStringForRange";

}  // namespace qm::AXAttribute
