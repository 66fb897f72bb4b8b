#include "suggestions/sim/SimOverlayPanel.h"

#include <utility>

namespace qm {

void SimOverlayPanel::setSuggestions(std::vector<SuggestionModel> suggestions, int activeIndex,
                                     SelectionHandler selectionHandler)
{
    suggestions_ = std::move(suggestions);
    activeIndex_ = activeIndex;
    selectionHandler_ = std::move(selectionHandler);
}

void SimOverlayPanel::show(const Rect& caret)
{
    shown_ = true;
    lastCaret_ = caret;
    ++showCount_;
}

void SimOverlayPanel::hide()
{
    shown_ = false;
    ++hideCount_;
}

bool SimOverlayPanel::pick(int index)
{
    if (!selectionHandler_) {
        return false;
    }
    // A copy: the handler may set a new list (and handler) while it runs.
    auto handler = selectionHandler_;
    handler(index);
    return true;
}

}  // namespace qm
