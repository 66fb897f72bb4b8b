#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/accessibility/AXTextRange.h"
#include "platform/accessibility/AXUIElement.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

class Accessibility;
class EventTapManager;

// The blanks of an inserted snippet, written "<name>": after the insertion the
// first one is selected in the host field so that typing replaces it; Tab
// ("TabPlaceholderPressed") moves to the next, Esc ("EscapePlaceholderPressed")
// ends it all. The tap keeps a copy of the mode flag so that it routes Tab
// here; every change of the mode sets both. Main thread only.
class PlaceholderNavigator {
public:
    struct Placeholder {
        // In the host field's text, UTF-16 code units.
        AXTextRange range;
        // The whole match, brackets included.
        std::string tag;

        friend bool operator==(const Placeholder&, const Placeholder&) = default;
    };

    struct Services {
        MainLoop& mainLoop;
        NotificationCenter& notificationCenter;
        Accessibility& accessibility;
        EventTapManager& eventTapManager;
    };

    // The pause before the first blank is selected after synthetic typing,
    // so that the host has taken the keys.
    static constexpr double selectionDelayAfterTyping = 0.05;

    // Starts observing the two notifications.
    explicit PlaceholderNavigator(Services services);
    ~PlaceholderNavigator();
    PlaceholderNavigator(const PlaceholderNavigator&) = delete;
    PlaceholderNavigator& operator=(const PlaceholderNavigator&) = delete;

    // The blanks of `text` ("<" then one or more characters other than ">",
    // then ">"), each range moved by `startOffset`, where the text begins in
    // the host field.
    static std::vector<Placeholder> parsePlaceholders(std::string_view text, std::int64_t startOffset);

    // Placeholder mode with `placeholders` (replacing any earlier ones), the
    // first one current; nothing happens for an empty list.
    void begin(std::vector<Placeholder> placeholders);
    // Selects blank `index` in `element`; an index out of range does nothing.
    void selectPlaceholder(int index, const AXUIElement& element);
    // selectPlaceholder(0, element) once `delay` seconds have passed, if the
    // navigator still lives then.
    void selectFirstAfter(double delay, AXUIElement element);

    void handleTabPlaceholderPressed();
    void handleEscapePlaceholderPressed();

    bool isActive() const { return active_; }
    int currentIndex() const { return currentIndex_; }
    const std::vector<Placeholder>& placeholders() const { return placeholders_; }

private:
    void end();

    Services services_;
    std::vector<Placeholder> placeholders_;
    int currentIndex_ = 0;
    bool active_ = false;
    std::vector<NotificationCenter::ObserverToken> observers_;
    AliveToken alive_;
};

}  // namespace qm
