#include "capture/HostTriggerRemover.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include <fmt/format.h>

#include "base/Log.h"
#include "base/Text.h"
#include "capture/HostTriggerStrip.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/keyboard/KeyCode.h"
#include "platform/keyboard/SyntheticEventPoster.h"
#include "platform/workspace/Workspace.h"

namespace qm {

HostTriggerRemover::HostTriggerRemover(Accessibility& accessibility, Workspace& workspace,
                                       SyntheticEventPoster& eventPoster)
    : accessibility_(accessibility), workspace_(workspace), eventPoster_(eventPoster)
{
}

void HostTriggerRemover::remove(const std::string& triggerBody, int documentTriggerLength) const
{
    if (!stripThroughAccessibility(triggerBody)) {
        Log::log(fmt::format("🧹 CaptureRouter: AX strip unavailable — posting {} backspaces",
                             documentTriggerLength));
        postBackspaces(documentTriggerLength);
    }
}

bool HostTriggerRemover::stripThroughAccessibility(const std::string& triggerBody) const
{
    AXValue focused;
    if (accessibility_.systemWideElement().copyAttributeValue(AXAttribute::focusedUIElement, focused) !=
        AXError::success) {
        return false;
    }
    const auto element = focused.asElement();
    if (!element || element->isNull()) {
        return false;
    }
    element->setMessagingTimeout(messagingTimeout);

    AXValue current;
    if (element->copyAttributeValue(AXAttribute::value, current) != AXError::success) {
        return false;
    }
    const auto valueText = current.asString();
    if (!valueText) {
        return false;
    }

    std::optional<std::string> bundleId;
    if (const auto frontmost = workspace_.frontmostApplication()) {
        bundleId = frontmost->bundleIdentifier;
    }
    const auto selection = selectedUTF16Range(*element);
    std::optional<std::int64_t> caret;
    if (selection && selection->location >= 0) {
        caret = selection->end();
    }

    const std::u16string value = text::toUtf16(*valueText);
    const std::u16string body = text::toUtf16(triggerBody);
    const HostTriggerStrip::Plan plan = HostTriggerStrip::plan(value, body, caret, bundleId);
    if (plan.primary.kind != HostTriggerStrip::Action::Kind::replaceSelectedRange) {
        return false;
    }

    bool stripped = applySelectedTextDelete(plan.primary.location, plan.primary.length, *element);
    if (!stripped && selection) {
        // The range may have been selected before the delete was refused; a
        // Delete key would then take the selection and the user's text before it.
        element->setAttributeValue(AXAttribute::selectedTextRange, AXValue::range(*selection));
    }
    if (!stripped && plan.allowWholeValueFallback) {
        if (const auto match = HostTriggerStrip::matchedTrigger(value, body, caret)) {
            const std::string rewritten = text::toUtf8(HostTriggerStrip::removingMatch(value, *match));
            stripped = applyAXValue(rewritten, static_cast<std::int64_t>(match->start), *element);
        }
    }
    if (!stripped) {
        return false;
    }
    Log::log(fmt::format("🧹 CaptureRouter: Stripped trigger via AX ('{}')", triggerBody));
    return true;
}

void HostTriggerRemover::postBackspaces(int documentTriggerLength) const
{
    const int count = std::clamp(documentTriggerLength, 0, maxBackspaces);
    for (int i = 0; i < count; ++i) {
        eventPoster_.post(
            EventTap::Location::hid,
            KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, KeyCode::deleteKey, true));
        eventPoster_.post(
            EventTap::Location::hid,
            KeyEvent::keyboardEvent(KeyEventSourceState::hidSystemState, KeyCode::deleteKey, false));
        std::this_thread::sleep_for(std::chrono::microseconds(backspaceIntervalMicroseconds));
    }
}

std::optional<AXTextRange> HostTriggerRemover::selectedUTF16Range(const AXUIElement& element)
{
    AXValue range;
    if (element.copyAttributeValue(AXAttribute::selectedTextRange, range) != AXError::success) {
        return std::nullopt;
    }
    return range.asRange();
}

bool HostTriggerRemover::applySelectedTextDelete(std::int64_t location, std::int64_t length,
                                                 const AXUIElement& element)
{
    if (length < 1 || location < 0) {
        return false;
    }
    if (element.setAttributeValue(AXAttribute::selectedTextRange, AXValue::range({location, length})) !=
        AXError::success) {
        return false;
    }
    return element.setAttributeValue(AXAttribute::selectedText, AXValue::string("")) == AXError::success;
}

bool HostTriggerRemover::applyAXValue(const std::string& value, std::int64_t caretUTF16,
                                      const AXUIElement& element)
{
    if (element.setAttributeValue(AXAttribute::value, AXValue::string(value)) != AXError::success) {
        return false;
    }
    const auto length = static_cast<std::int64_t>(text::utf16Length(value));
    element.setAttributeValue(AXAttribute::selectedTextRange,
                              AXValue::range({std::clamp<std::int64_t>(caretUTF16, 0, length), 0}));
    return true;
}

}  // namespace qm
