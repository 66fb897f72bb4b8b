#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/notifications/NotificationCenter.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/CancellationToken.h"
#include "suggestions/AIActionItem.h"
#include "suggestions/AIPromptServices.h"
#include "suggestions/SuggestionChip.h"
#include "suggestions/SuggestionModel.h"

namespace qm {

class MainLoop;
class UserDefaults;

// The content of the suggestion panel: either the chips (a row or a column,
// with the orientation and reset buttons) or the AI prompt card. It lives as
// long as the panel, so the prompt's state survives each new suggestion list.
//
// The prompt changes only on the keyboard's notifications:
//   "TriggerAIQuickActions"  prompt mode on; instruction, answer and error
//                            emptied; the running generation retired; the
//                            chosen quick action kept
//   "CancelAIPrompt"         prompt mode off; a running generation goes on
//   "CommitAIPrompt"         in prompt mode and not generating: generate when
//                            there is no answer, else post "InsertAIText"
//                            with the answer and leave prompt mode
//   "AppendAIPromptChar"     userInfo "text" appended to the instruction
//   "DeleteAIPromptChar"     the instruction's last user-perceived character
//                            removed
//   "CycleAIActionLeft/Right" the quick action before/after, wrapping
// A generation streams its pieces into the answer. Each has an id; once
// retired (by the next "TriggerAIQuickActions") it is cancelled and whatever
// it still sends is dropped, so an old answer never leaks into a new prompt.
//
// Main thread. Notifications that arrive on another thread are handled on
// the main loop.
class SuggestionViewModel {
public:
    static constexpr int maxTokens = 1024;
    static constexpr std::string_view generationErrorPrefix = "Generation Error: ";

    using SelectionHandler = std::function<void(int index)>;

    // Every reference must outlive the model. The observers are installed
    // here and removed when the model goes.
    SuggestionViewModel(MainLoop& mainLoop, NotificationCenter& center, UserDefaults& defaults,
                        AIPromptServices services);
    ~SuggestionViewModel();
    SuggestionViewModel(const SuggestionViewModel&) = delete;
    SuggestionViewModel& operator=(const SuggestionViewModel&) = delete;

    // A new list for the chips; the prompt's state is kept.
    void setContent(std::vector<SuggestionModel> suggestions, int activeIndex, std::string shortcutText,
                    SelectionHandler onSelect);

    // Runs after every change of what the content shows.
    void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

    // --- The chips ---
    const std::vector<SuggestionModel>& suggestions() const { return suggestions_; }
    int activeIndex() const { return activeIndex_; }
    const std::string& shortcutText() const { return shortcutText_; }
    // "isPopupOrientationHorizontal"; true unless it holds a false Boolean.
    bool isHorizontal() const;
    // The toggle's symbol names the current orientation.
    std::string_view orientationIconName() const;
    // Chip `index` of the list, as the view draws it.
    SuggestionChip chip(int index, bool hovered) const;

    // The orientation button: stores the other orientation and posts
    // "PopupOrientationChanged".
    void toggleOrientation();
    // The reset button: posts "ResetPanelPosition".
    void resetPosition();
    // A click on chip `index`.
    void selectChip(int index);

    // --- The AI prompt ---
    bool isAIPromptMode() const { return isAIPromptMode_; }
    const std::string& promptBuffer() const { return promptBuffer_; }
    int selectedActionIndex() const { return selectedActionIndex_; }
    bool isGenerating() const { return isGenerating_; }
    const std::string& generatedResponse() const { return generatedResponse_; }
    const std::string& errorMessage() const { return errorMessage_; }
    const std::vector<AIActionItem>& quickActions() const { return AIActionItem::quickActions(); }
    const AIPromptServices& services() const { return services_; }

    // A click on quick-action chip `index`: chosen, not generated. An index
    // outside the list changes nothing.
    void selectQuickAction(int index);

private:
    struct Generation {
        std::uint64_t id = 0;
        CancellationToken cancel;
    };

    void observe(const char* name, std::function<void(const Notification&)> handler);
    void triggerAIQuickActions();
    void cancelAIPrompt();
    void commitAIPrompt();
    void appendAIPromptChar(const Notification& notification);
    void deleteAIPromptChar();
    void cycleAIAction(int step);
    void triggerGeneration();
    void retireGeneration();
    void receiveChunk(std::uint64_t id, const std::string& chunk);
    void endGeneration(std::uint64_t id, const std::optional<PlatformError>& failure);
    void notifyChanged();

    MainLoop& mainLoop_;
    NotificationCenter& center_;
    UserDefaults& defaults_;
    AIPromptServices services_;
    std::vector<NotificationCenter::ObserverToken> observers_;
    std::function<void()> changed_;

    std::vector<SuggestionModel> suggestions_;
    int activeIndex_ = 0;
    std::string shortcutText_;
    SelectionHandler onSelect_;

    bool isAIPromptMode_ = false;
    std::string promptBuffer_;
    int selectedActionIndex_ = 0;
    bool isGenerating_ = false;
    std::string generatedResponse_;
    std::string errorMessage_;

    std::optional<Generation> generation_;
    std::uint64_t lastGenerationId_ = 0;
    AliveToken alive_;
};

}  // namespace qm
