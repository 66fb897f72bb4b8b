#include "app/AITextInserter.h"

#include <fmt/format.h>

#include "app/HostField.h"
#include "app/SyntheticTyping.h"
#include "base/Log.h"
#include "capture/EventTapManager.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "suggestions/OverlayPanel.h"
#include "suggestions/SuggestionNotifications.h"

namespace qm {

AITextInserter::AITextInserter(Services services) : services_(services)
{
    observers_.push_back(services_.notificationCenter.addObserver(
        SuggestionNotifications::insertAIText, nullptr, [this](const Notification& note) {
            // Anything but text is no answer: the panel stays as it is.
            if (const auto text = note.userInfo.get<std::string>(SuggestionNotifications::insertAITextKey)) {
                insert(*text);
            }
        }));
}

AITextInserter::~AITextInserter()
{
    for (const auto& token : observers_) {
        services_.notificationCenter.removeObserver(token);
    }
}

void AITextInserter::insert(const std::string& text)
{
    EventTapManager& tap = services_.eventTapManager;
    services_.panel.hide();
    tap.setSuggestionsOverlayVisible(false);
    tap.setAIPromptMode(false);

    if (const auto element = HostField::focusedElement(services_.accessibility);
        element && HostField::selectedRange(*element) &&
        element->setAttributeValue(AXAttribute::selectedText, AXValue::string(text)) == AXError::success) {
        Log::log(fmt::format("✅ AI Direct AX write verified successfully: '{}'", text));
        return;
    }
    Log::log(fmt::format("⌨️ Using synthetic keystroke insertion for AI: '{}'", text));
    SyntheticTyping(services_.eventPoster).postText(text);
}

}  // namespace qm
