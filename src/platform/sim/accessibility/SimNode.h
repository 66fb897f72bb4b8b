#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXTextRange.h"
#include "platform/display/Rect.h"
#include "platform/sim/accessibility/SimTextKind.h"

namespace qm {

// One element inside an application of the stand-in desktop: a window, a
// group, a text field, a menu ... Owned by SimDesktopState, read and changed
// only under its lock.
struct SimNode {
    std::uint64_t id = 0;
    std::int32_t pid = 0;
    std::uint64_t parent = 0;  // 0: a top-level element (a window or a menu) of the application
    std::vector<std::uint64_t> children;
    bool alive = true;

    std::string role;
    std::string subrole;
    std::string roleDescription;
    std::string identifier;
    std::string description;
    std::string title;
    std::optional<std::string> staticValue;  // the "AXValue" of an element that is not a text field
    std::optional<std::string> url;          // the "AXURL" of a web area
    Rect frame;                              // Accessibility coordinates

    // Text fields only.
    std::optional<SimTextKind> textKind;
    std::u16string text;
    std::string placeholder;
    AXTextRange selection;
    std::optional<AXError> refusedWrites;  // every Accessibility edit fails with this
    bool misplacesSelection = false;       // edits succeed, then the caret jumps to the start
    std::optional<Rect> boundsOverride;    // "AXBoundsForRange" answers this for every range

    bool isText() const { return textKind.has_value(); }
    bool isSecure() const { return textKind == SimTextKind::secure; }
};

}  // namespace qm
