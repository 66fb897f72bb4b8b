#pragma once

#include <string_view>

// Role and subrole names as the platform spells them.
namespace qm::AXRole {

inline constexpr std::string_view systemWide = "AXSystemWide";
inline constexpr std::string_view application = "AXApplication";
inline constexpr std::string_view window = "AXWindow";
inline constexpr std::string_view group = "AXGroup";
inline constexpr std::string_view toolbar = "AXToolbar";
inline constexpr std::string_view button = "AXButton";
inline constexpr std::string_view staticText = "AXStaticText";
inline constexpr std::string_view textField = "AXTextField";
inline constexpr std::string_view textArea = "AXTextArea";
inline constexpr std::string_view comboBox = "AXComboBox";
inline constexpr std::string_view webArea = "AXWebArea";
inline constexpr std::string_view menu = "AXMenu";
inline constexpr std::string_view menuItem = "AXMenuItem";

// Subroles. A password field is a text field (role AXTextField) whose subrole
// is AXSecureTextField; no element has AXSecureTextField as its role.
inline constexpr std::string_view standardWindow = "AXStandardWindow";
inline constexpr std::string_view searchField = "AXSearchField";
inline constexpr std::string_view secureTextField = "AXSecureTextField";

}  // namespace qm::AXRole
