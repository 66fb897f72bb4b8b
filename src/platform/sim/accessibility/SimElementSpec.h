#pragma once

#include <optional>
#include <string>

#include "platform/display/Rect.h"

namespace qm {

// What a new stand-in element looks like to Accessibility. A blank role
// description is filled in from the role, as the platform does.
struct SimElementSpec {
    std::string role;
    std::string subrole;
    std::string title;
    std::string description;
    std::string identifier;
    std::string roleDescription;
    Rect frame;                        // Accessibility coordinates (top-left origin)
    std::optional<std::string> value;  // "AXValue", e.g. of static text
    std::optional<std::string> url;    // "AXURL" of a web area
};

}  // namespace qm
