#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/accessibility/AXUIElement.h"

namespace qm {

// The web domain of the page that holds `focused`, as field-context detection
// finds it (the domain of its result for that element); nothing outside a
// supported browser.
using FocusedDomainLookup = std::function<std::optional<std::string>(const AXUIElement& focused)>;

}  // namespace qm
