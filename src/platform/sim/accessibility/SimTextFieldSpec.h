#pragma once

#include <string>

#include "platform/display/Rect.h"
#include "platform/sim/accessibility/SimTextKind.h"

namespace qm {

// A new stand-in text field. Its caret starts at the end of `value`.
struct SimTextFieldSpec {
    SimTextKind kind = SimTextKind::singleLine;
    std::string value;
    std::string placeholder;
    std::string title;
    std::string description;
    std::string identifier;
    std::string subrole;            // e.g. AXSearchField; password fields get AXSecureTextField
    Rect frame{100, 100, 400, 22};  // Accessibility coordinates (top-left origin)
};

}  // namespace qm
