#pragma once

#include <functional>
#include <memory>

#include "app/AITextInserter.h"
#include "app/PlaceholderNavigator.h"
#include "app/PlatformBundle.h"
#include "app/SuggestionDisplay.h"
#include "app/SuggestionInserter.h"

namespace qm {

class CaptureRouterController;
class EventTapManager;
class OverlayPanel;
class PermissionsManager;

// The inline suggestions as the application runs them, over one panel: the
// display (the event tap's delegate, and what focus observation calls), the
// insertion of a chosen suggestion, snippet blanks, and the AI answer's
// insertion. Part of the composition root. Main thread; build it after, and
// destroy it before, everything it is given.
class SuggestionServices {
public:
    struct Services {
        PermissionsManager& permissions;
        EventTapManager& eventTapManager;
        CaptureRouterController& captureRouter;
        OverlayPanel& panel;
    };

    // `countersChanged` runs after an acceptance was counted; may be empty.
    SuggestionServices(const PlatformBundle& platform, Services services,
                       SuggestionDisplay::Provider provider, std::function<void()> countersChanged);
    SuggestionServices(const SuggestionServices&) = delete;
    SuggestionServices& operator=(const SuggestionServices&) = delete;

    SuggestionDisplay& display() { return display_; }
    SuggestionInserter& inserter() { return inserter_; }
    PlaceholderNavigator& placeholders() { return placeholders_; }
    AITextInserter& aiText() { return aiText_; }

private:
    PlaceholderNavigator placeholders_;
    SuggestionInserter inserter_;
    SuggestionDisplay display_;
    AITextInserter aiText_;
};

}  // namespace qm
