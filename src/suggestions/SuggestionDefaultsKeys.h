#pragma once

// The user-defaults keys of the suggestion panel and its chips.
namespace qm::SuggestionDefaultsKeys {

// Bundle identifier -> {"x": double, "y": double}: where the user moved the
// panel, relative to the caret, in screen coordinates.
inline constexpr const char* perAppPositionOffsets = "perAppPositionOffsets";
// Chips in a row (true, also while absent) or a column.
inline constexpr const char* isPopupOrientationHorizontal = "isPopupOrientationHorizontal";
// Whether each chip shows its key hint ("⌃1"); true while absent.
inline constexpr const char* showShortcutHints = "showShortcutHints";

}  // namespace qm::SuggestionDefaultsKeys
