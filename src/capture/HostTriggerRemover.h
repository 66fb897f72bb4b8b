#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"

namespace qm {

class Accessibility;
class SyntheticEventPoster;
class Workspace;

// Removes a typed trigger from the host field: an Accessibility delete of its
// range, else a rewrite of a short plain value, else Delete keys. Holds no
// state of its own; the capture router runs it on its transition queue,
// where Accessibility may wait for a slow application without holding up a
// key or the main thread.
class HostTriggerRemover {
public:
    // The longest wait for the focused element to answer during a removal.
    static constexpr float messagingTimeout = 0.02f;
    // At most this many Delete keys remove a trigger, this far apart (microseconds).
    static constexpr int maxBackspaces = 32;
    static constexpr int backspaceIntervalMicroseconds = 2500;

    // Every reference must outlive the remover.
    HostTriggerRemover(Accessibility& accessibility, Workspace& workspace, SyntheticEventPoster& eventPoster);

    // Removes `triggerBody` (as typed, `documentTriggerLength` characters in
    // the document) before the caret of the focused field.
    void remove(const std::string& triggerBody, int documentTriggerLength) const;

    // "AXSelectedTextRange" of the element; nothing when unreadable or not a range.
    static std::optional<AXTextRange> selectedUTF16Range(const AXUIElement& element);
    // Selects the range and replaces it with nothing; true when both writes succeed.
    static bool applySelectedTextDelete(std::int64_t location, std::int64_t length,
                                        const AXUIElement& element);
    // Rewrites the element's whole value and puts the caret at `caretUTF16`
    // (clamped to the new value); false when the value write fails.
    static bool applyAXValue(const std::string& value, std::int64_t caretUTF16, const AXUIElement& element);

private:
    bool stripThroughAccessibility(const std::string& triggerBody) const;
    void postBackspaces(int documentTriggerLength) const;

    Accessibility& accessibility_;
    Workspace& workspace_;
    SyntheticEventPoster& eventPoster_;
};

}  // namespace qm
