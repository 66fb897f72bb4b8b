#pragma once

#include <string>

namespace qm {

class EventTapManager;

// What the keyboard event tap reports to the application delegate: typing
// context for suggestions and the keys that navigate the suggestion overlay.
// Every call is made on the main thread, asynchronously after the key that
// caused it, with the reporting manager as first argument.
class EventTapManagerDelegate {
public:
    virtual ~EventTapManagerDelegate() = default;

    // The typing context changed: the recent words joined by single spaces,
    // the word being typed and the last characters typed.
    virtual void eventTapManagerDidUpdateContext(EventTapManager& manager, const std::string& context,
                                                 const std::string& prefix,
                                                 const std::string& fullBuffer) = 0;
    // The context was cleared, Escape was pressed or a terminal line ended.
    virtual void eventTapManagerDidClearSuggestions(EventTapManager& manager) = 0;
    // The shortcut modifiers and a digit 1 to 6 were pressed while the overlay
    // is visible: `index` is 0 to 5.
    virtual void eventTapManagerDidSelectSuggestionIndex(EventTapManager& manager, int index) = 0;
    // Tab while the overlay is visible outside placeholder mode.
    virtual void eventTapManagerDidCycleSuggestion(EventTapManager& manager) = 0;
    // Return while the overlay is visible.
    virtual void eventTapManagerDidCommitActiveSuggestion(EventTapManager& manager) = 0;
};

}  // namespace qm
