#pragma once

#include <cstdint>
#include <string>

#include "platform/accessibility/AXUIElement.h"

namespace qm {

// Identifies a focused text element across focus changes, so that a passive
// trigger buffer parked when the element lost the focus can be given back when
// it regains it. Equality looks only at bundle id, role and width: titles,
// labels and heights of live fields change while the user types.
struct FocusFingerprint {
    std::string bundleId;
    std::string role;
    std::string identifier;
    std::string label;
    std::string windowTitle;
    std::int64_t width = 0;
    std::int64_t height = 0;

    // Reads "AXRole", "AXIdentifier", "AXDescription" (else "AXTitle"),
    // "AXSize" and the "AXTitle" of the element's "AXWindow". Never fails: an
    // unreadable string is empty and an unreadable size 0 by 0. Makes
    // Accessibility calls, so never on the event-tap thread.
    static FocusFingerprint of(const std::string& bundleId, const AXUIElement& element);

    friend bool operator==(const FocusFingerprint& a, const FocusFingerprint& b)
    {
        return a.bundleId == b.bundleId && a.role == b.role && a.width == b.width;
    }
};

}  // namespace qm
