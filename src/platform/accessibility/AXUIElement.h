#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/accessibility/AXError.h"

namespace qm {

class AXElementBackend;
class AXValue;

// A reference to one Accessibility element of some application: the
// system-wide element, an application element, or an element inside an
// application (a window, a text field ...). A small value: copy it freely and
// keep it as long as needed; an element whose application quit or whose window
// closed answers every call with AXError::invalidUIElement.
//
// Every call is synchronous and may be made from any thread. It goes to the
// element's application and waits up to the messaging timeout for the answer;
// an application that does not answer in time gives AXError::cannotComplete.
// Text positions and lengths are UTF-16 code units.
class AXUIElement {
public:
    // A null reference; every call on it gives AXError::illegalArgument.
    AXUIElement() = default;
    AXUIElement(std::shared_ptr<AXElementBackend> backend, std::int32_t pid, std::uint64_t token);

    bool isNull() const { return backend_ == nullptr; }
    explicit operator bool() const { return !isNull(); }

    // The process the element belongs to; 0 for the system-wide element.
    std::int32_t pid() const { return pid_; }
    // What identifies the element to its backend.
    std::uint64_t token() const { return token_; }

    // On success `value` holds the attribute's value; on failure it is untouched.
    // AXError::noValue: the attribute exists but has no value now;
    // AXError::attributeUnsupported: the element has no such attribute.
    AXError copyAttributeValue(std::string_view attribute, AXValue& value) const;
    AXError setAttributeValue(std::string_view attribute, const AXValue& value) const;
    AXError isAttributeSettable(std::string_view attribute, bool& settable) const;
    // "AXBoundsForRange" and "AXStringForRange" take a range value.
    AXError copyParameterizedAttributeValue(std::string_view attribute, const AXValue& parameter,
                                            AXValue& value) const;

    // How long calls through this element wait for the application. 0 restores
    // the default; on the system-wide element it sets the default for every
    // element that has none of its own. Negative: AXError::illegalArgument.
    AXError setMessagingTimeout(float seconds) const;

    // Two references are equal when they name the same element.
    friend bool operator==(const AXUIElement& a, const AXUIElement& b)
    {
        return a.backend_ == b.backend_ && a.token_ == b.token_ && a.pid_ == b.pid_;
    }

    std::size_t hash() const;

private:
    std::shared_ptr<AXElementBackend> backend_;
    std::int32_t pid_ = 0;
    std::uint64_t token_ = 0;
};

}  // namespace qm

template <> struct std::hash<qm::AXUIElement> {
    std::size_t operator()(const qm::AXUIElement& element) const noexcept { return element.hash(); }
};
