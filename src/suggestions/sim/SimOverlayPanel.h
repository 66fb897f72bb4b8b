#pragma once

#include <optional>
#include <vector>

#include "suggestions/OverlayPanel.h"

namespace qm {

// The suggestion panel on the stand-in desktop, for tests and benchmarks: it
// keeps what the application last set and whether it is shown, and plays the
// user's click on a suggestion through pick(). Main thread only.
class SimOverlayPanel final : public OverlayPanel {
public:
    void setSuggestions(std::vector<SuggestionModel> suggestions, int activeIndex,
                        SelectionHandler selectionHandler) override;
    void show(const Rect& caret) override;
    void hide() override;

    // The user clicks suggestion `index` in the panel: the handler of the
    // last list set hears it. Returns false when no handler was set.
    bool pick(int index);

    const std::vector<SuggestionModel>& suggestions() const { return suggestions_; }
    int activeIndex() const { return activeIndex_; }
    bool isShown() const { return shown_; }
    // Where the last show() put the panel; none before the first.
    const std::optional<Rect>& lastCaret() const { return lastCaret_; }
    int showCount() const { return showCount_; }
    int hideCount() const { return hideCount_; }

private:
    std::vector<SuggestionModel> suggestions_;
    int activeIndex_ = 0;
    SelectionHandler selectionHandler_;
    bool shown_ = false;
    std::optional<Rect> lastCaret_;
    int showCount_ = 0;
    int hideCount_ = 0;
};

}  // namespace qm
