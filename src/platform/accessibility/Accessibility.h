#pragma once

#include <cstdint>
#include <memory>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXObserver.h"
#include "platform/accessibility/AXUIElement.h"

namespace qm {

// Entry points of Accessibility: the elements to start from and observers.
// Without Accessibility trust (AccessibilityTrust) every call through an
// element and every observer creation gives AXError::apiDisabled. Any thread.
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // The element that answers "AXFocusedUIElement" and "AXFocusedApplication"
    // for the whole system.
    virtual AXUIElement systemWideElement() = 0;

    // The element of the application with process id `pid`. Creating it always
    // succeeds; calls on it fail with AXError::invalidUIElement when no such
    // application runs.
    virtual AXUIElement applicationElement(std::int32_t pid) = 0;

    // An observer of the application `pid` whose notifications go to `callback`
    // on the main thread. On failure `observer` is left empty.
    virtual AXError createObserver(std::int32_t pid, AXObserver::Callback callback,
                                   std::shared_ptr<AXObserver>& observer) = 0;
};

}  // namespace qm
