#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/accessibility/AXUIElement.h"
#include "suggestions/FieldContextResult.h"

namespace qm {

class Accessibility;
class Workspace;

// Classifies the text field that has the keyboard focus in another
// application (FieldContextHeuristics), with its label, the frontmost
// application and, in a supported browser, the host name of the page.
//
// Holds no state and caches nothing: every call reads the attributes afresh.
// Called at the same time from the main thread, the tap's queue, the
// suggestion provider's queue and AI tasks; it takes no lock. Every failed
// Accessibility read counts as an absent attribute: detection never fails.
class FieldContextDetector {
public:
    // Both must outlive the detector.
    FieldContextDetector(Accessibility& accessibility, const Workspace& workspace);
    FieldContextDetector(const FieldContextDetector&) = delete;
    FieldContextDetector& operator=(const FieldContextDetector&) = delete;

    // The system-wide focused element; without one, the application rules on
    // the frontmost application alone.
    FieldContextResult detect() const;
    FieldContextResult detect(const AXUIElement& element) const;
    // `element` as a field of the application `appBundleId` (nothing: the
    // frontmost one), for a field that may no longer be in front.
    FieldContextResult detect(const AXUIElement& element, std::optional<std::string> appBundleId) const;

    // The attribute as text; nothing on an error, no value or a value of another type.
    static std::optional<std::string> getAttributeString(const AXUIElement& element,
                                                         std::string_view attribute);

    // How many elements the walk to the window examines: the field and up to
    // nine ancestors.
    static constexpr int maxWindowTitleDepth = 10;

private:
    std::optional<std::string> frontmostBundleId() const;
    static std::optional<std::string> getWindowTitle(const AXUIElement& element);
    static bool isSecureTextField(const AXUIElement& element);

    Accessibility& accessibility_;
    const Workspace& workspace_;
};

}  // namespace qm
