#pragma once

#include <string_view>

#include "platform/accessibility/AXError.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/accessibility/AXValue.h"

namespace qm {

// What answers the calls made through an AXUIElement: the implementation of
// Accessibility. The element passed in is never null. Implementations are
// called from any thread.
class AXElementBackend {
public:
    virtual ~AXElementBackend() = default;

    virtual AXError copyAttributeValue(const AXUIElement& element, std::string_view attribute,
                                       AXValue& value) = 0;
    virtual AXError setAttributeValue(const AXUIElement& element, std::string_view attribute,
                                      const AXValue& value) = 0;
    virtual AXError isAttributeSettable(const AXUIElement& element, std::string_view attribute,
                                        bool& settable) = 0;
    virtual AXError copyParameterizedAttributeValue(const AXUIElement& element, std::string_view attribute,
                                                    const AXValue& parameter, AXValue& value) = 0;
    virtual AXError setMessagingTimeout(const AXUIElement& element, float seconds) = 0;
};

}  // namespace qm
