#pragma once

#include <functional>
#include <vector>

#include "platform/display/Rect.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

// The floating panel that shows inline suggestions beside the caret of the
// application the user is typing in. It never takes the keyboard: the event
// tap and the application drive it from the main thread while the user keeps
// typing. The application makes one when it starts and keeps it.
//
// Calling order: setSuggestions() first, then show(); hide() at any time. For
// the AI prompt the application sets an empty list with index 0 and shows the
// panel at the caret; the panel treats that like any other list.
//
// The app's panel is a Qt window in views/; SimOverlayPanel stands in for it
// on the stand-in desktop.
class OverlayPanel {
public:
    // Receives the index of the suggestion the user picked in the panel.
    using SelectionHandler = std::function<void(int index)>;

    virtual ~OverlayPanel() = default;

    // Replaces the content and refits the panel; does not show or move it.
    virtual void setSuggestions(std::vector<SuggestionModel> suggestions, int activeIndex,
                                SelectionHandler selectionHandler) = 0;
    // `caret` is in Accessibility coordinates (top-left origin of the primary
    // screen, y down). Places the panel beside it on the screen that holds it
    // and fades it in; an already visible panel just moves.
    virtual void show(const Rect& caret) = 0;
    // Fades the panel out and orders it out, unless a newer show() comes in.
    virtual void hide() = 0;
};

}  // namespace qm
