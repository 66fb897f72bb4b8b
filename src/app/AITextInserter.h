#pragma once

#include <string>
#include <vector>

#include "platform/notifications/NotificationCenter.h"

namespace qm {

class Accessibility;
class EventTapManager;
class OverlayPanel;
class SyntheticEventPoster;

// Writes the AI answer the user accepted ("InsertAIText", the answer under
// userInfo "text") into the focused field: the panel goes away and prompt
// mode ends, then the text replaces the field's selection through
// Accessibility, or is typed by synthetic keys where the field refuses.
// Main thread only.
class AITextInserter {
public:
    struct Services {
        NotificationCenter& notificationCenter;
        Accessibility& accessibility;
        SyntheticEventPoster& eventPoster;
        EventTapManager& eventTapManager;
        OverlayPanel& panel;
    };

    // Starts observing "InsertAIText".
    explicit AITextInserter(Services services);
    ~AITextInserter();
    AITextInserter(const AITextInserter&) = delete;
    AITextInserter& operator=(const AITextInserter&) = delete;

    void insert(const std::string& text);

private:
    Services services_;
    std::vector<NotificationCenter::ObserverToken> observers_;
};

}  // namespace qm
