#pragma once

#include <memory>

#include "platform/accessibility/AXElementBackend.h"
#include "platform/accessibility/Accessibility.h"

namespace qm {

class SimDesktopState;
struct SimAppRecord;
struct SimNode;

// Accessibility over the stand-in desktop. Its elements behave as the
// platform's: reads of attributes an element lacks give attributeUnsupported,
// attributes without a value now give noValue, an element of a closed window
// or a quit application gives invalidUIElement, an untrusted process gets
// apiDisabled, and an application slower than the messaging timeout gives
// cannotComplete (at once: the stand-in never really waits).
//
// Password fields never expose their text: "AXValue", "AXSelectedText" and
// "AXStringForRange" give one "•" per UTF-16 unit.
//
// Must be owned by a shared_ptr (elements keep it alive).
class SimAccessibility final : public Accessibility,
                               public AXElementBackend,
                               public std::enable_shared_from_this<SimAccessibility> {
public:
    explicit SimAccessibility(std::shared_ptr<SimDesktopState> state);

    AXUIElement systemWideElement() override;
    AXUIElement applicationElement(std::int32_t pid) override;
    AXError createObserver(std::int32_t pid, AXObserver::Callback callback,
                           std::shared_ptr<AXObserver>& observer) override;

    AXError copyAttributeValue(const AXUIElement& element, std::string_view attribute,
                               AXValue& value) override;
    AXError setAttributeValue(const AXUIElement& element, std::string_view attribute,
                              const AXValue& value) override;
    AXError isAttributeSettable(const AXUIElement& element, std::string_view attribute,
                                bool& settable) override;
    AXError copyParameterizedAttributeValue(const AXUIElement& element, std::string_view attribute,
                                            const AXValue& parameter, AXValue& value) override;
    AXError setMessagingTimeout(const AXUIElement& element, float seconds) override;

private:
    // The element's application and node (none for the system-wide element and
    // application elements), once trust, liveness and the timeout allow the call.
    struct Target {
        SimAppRecord* app = nullptr;
        SimNode* node = nullptr;
    };
    AXError admit(const AXUIElement& element, Target& target);

    AXError readSystemWide(std::string_view attribute, AXValue& value);
    AXError readApplication(SimAppRecord& app, std::string_view attribute, AXValue& value);
    AXError readNode(SimAppRecord& app, SimNode& node, std::string_view attribute, AXValue& value);
    AXError readText(SimNode& node, std::string_view attribute, AXValue& value);
    AXError writeApplication(SimAppRecord& app, std::string_view attribute, const AXValue& value);
    AXError writeNode(SimNode& node, std::string_view attribute, const AXValue& value);

    std::shared_ptr<SimDesktopState> state_;
};

}  // namespace qm
