#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXTextRange.h"
#include "platform/sim/accessibility/SimElement.h"

namespace qm {

// A test's handle on one stand-in text field: what the user would see in it,
// and the ways some real fields misbehave.
class SimTextField : public SimElement {
public:
    SimTextField() = default;
    using SimElement::SimElement;

    // The text as it is, also of a password field.
    std::string value() const;
    // As if the application changed its text: the caret goes to the end.
    void setValue(std::string_view utf8) const;
    AXTextRange selectedRange() const;
    // As a click or drag would; the range is clamped to the text.
    void select(AXTextRange range) const;

    // Every Accessibility edit of the text or the selection fails with `error`
    // and "is settable" answers false.
    void refuseWrites(AXError error = AXError::cannotComplete) const;
    void acceptWrites() const;
    // Accessibility edits report success, then the caret lands at the start of
    // the text instead of after the edit.
    void setMisplacesSelection(bool misplaces) const;
    // "AXBoundsForRange" answers `bounds` for every range (zero or off-screen
    // rectangles, as some applications give); std::nullopt restores the layout.
    void setBoundsOverride(std::optional<Rect> bounds) const;

    // For a view of the field (a host window's text field): `handler` runs
    // on the main loop after its text or selection changed, by typing, by
    // Accessibility or by the test; an empty handler stops it.
    void setChangeHandler(std::function<void()> handler) const;
};

}  // namespace qm
