#include "suggestions/SuggestionViewModel.h"

#include <stdexcept>
#include <utility>

#include "base/Text.h"
#include "capture/CaptureNotifications.h"
#include "platform/runtime/MainLoop.h"
#include "platform/storage/UserDefaults.h"
#include "suggestions/SuggestionDefaultsKeys.h"
#include "suggestions/SuggestionNotifications.h"

namespace qm {

SuggestionViewModel::SuggestionViewModel(MainLoop& mainLoop, NotificationCenter& center,
                                         UserDefaults& defaults, AIPromptServices services)
    : mainLoop_(mainLoop), center_(center), defaults_(defaults), services_(std::move(services))
{
    if (!services_.stream) {
        throw std::invalid_argument("SuggestionViewModel needs a way to stream AI answers");
    }
    observe(CaptureNotifications::triggerAIQuickActions,
            [this](const Notification&) { triggerAIQuickActions(); });
    observe(CaptureNotifications::cancelAIPrompt, [this](const Notification&) { cancelAIPrompt(); });
    observe(CaptureNotifications::commitAIPrompt, [this](const Notification&) { commitAIPrompt(); });
    observe(CaptureNotifications::appendAIPromptChar,
            [this](const Notification& notification) { appendAIPromptChar(notification); });
    observe(CaptureNotifications::deleteAIPromptChar, [this](const Notification&) { deleteAIPromptChar(); });
    observe(CaptureNotifications::cycleAIActionLeft, [this](const Notification&) { cycleAIAction(-1); });
    observe(CaptureNotifications::cycleAIActionRight, [this](const Notification&) { cycleAIAction(+1); });
}

SuggestionViewModel::~SuggestionViewModel()
{
    for (const auto& token : observers_) {
        center_.removeObserver(token);
    }
    retireGeneration();
}

void SuggestionViewModel::observe(const char* name, std::function<void(const Notification&)> handler)
{
    observers_.push_back(center_.addObserver(
        name, nullptr,
        [this, watch = alive_.watch(), handler = std::move(handler)](const Notification& note) {
            if (mainLoop_.isMainThread()) {
                handler(note);
                return;
            }
            mainLoop_.post([watch, handler, note] {
                if (watch) {
                    handler(note);
                }
            });
        }));
}

void SuggestionViewModel::setContent(std::vector<SuggestionModel> suggestions, int activeIndex,
                                     std::string shortcutText, SelectionHandler onSelect)
{
    suggestions_ = std::move(suggestions);
    activeIndex_ = activeIndex;
    shortcutText_ = std::move(shortcutText);
    onSelect_ = std::move(onSelect);
    notifyChanged();
}

bool SuggestionViewModel::isHorizontal() const
{
    const auto value = defaults_.objectForKey(SuggestionDefaultsKeys::isPopupOrientationHorizontal);
    const bool* stored = value ? value->get<bool>() : nullptr;
    return stored ? *stored : true;
}

std::string_view SuggestionViewModel::orientationIconName() const
{
    return isHorizontal() ? "distribute.horizontal.fill" : "distribute.vertical.fill";
}

SuggestionChip SuggestionViewModel::chip(int index, bool hovered) const
{
    return SuggestionChip(SuggestionChip::showShortcutHints(defaults_), index,
                          suggestions_.at(static_cast<std::size_t>(index)), shortcutText_,
                          index == activeIndex_, hovered);
}

void SuggestionViewModel::toggleOrientation()
{
    defaults_.set(SuggestionDefaultsKeys::isPopupOrientationHorizontal, !isHorizontal());
    notifyChanged();
    center_.post(SuggestionNotifications::popupOrientationChanged);
}

void SuggestionViewModel::resetPosition()
{
    center_.post(SuggestionNotifications::resetPanelPosition);
}

void SuggestionViewModel::selectChip(int index)
{
    if (!onSelect_) {
        return;
    }
    // A copy: the handler may hand the panel a new list (and handler).
    auto handler = onSelect_;
    handler(index);
}

void SuggestionViewModel::selectQuickAction(int index)
{
    if (index < 0 || index >= static_cast<int>(quickActions().size())) {
        return;
    }
    selectedActionIndex_ = index;
    notifyChanged();
}

void SuggestionViewModel::triggerAIQuickActions()
{
    retireGeneration();
    isAIPromptMode_ = true;
    promptBuffer_.clear();
    generatedResponse_.clear();
    errorMessage_.clear();
    isGenerating_ = false;
    notifyChanged();
}

void SuggestionViewModel::cancelAIPrompt()
{
    isAIPromptMode_ = false;
    notifyChanged();
}

void SuggestionViewModel::commitAIPrompt()
{
    if (!isAIPromptMode_ || isGenerating_) {
        return;
    }
    if (generatedResponse_.empty()) {
        triggerGeneration();
        return;
    }
    center_.post(SuggestionNotifications::insertAIText, nullptr,
                 UserInfo{{SuggestionNotifications::insertAITextKey, generatedResponse_}});
    isAIPromptMode_ = false;
    notifyChanged();
}

void SuggestionViewModel::appendAIPromptChar(const Notification& notification)
{
    const auto text = notification.userInfo.get<std::string>("text");
    if (!text) {
        return;
    }
    promptBuffer_ += *text;
    notifyChanged();
}

void SuggestionViewModel::deleteAIPromptChar()
{
    if (promptBuffer_.empty()) {
        return;
    }
    promptBuffer_ = text::truncateGraphemes(promptBuffer_, text::graphemeCount(promptBuffer_) - 1);
    notifyChanged();
}

void SuggestionViewModel::cycleAIAction(int step)
{
    const int count = static_cast<int>(quickActions().size());
    selectedActionIndex_ = (selectedActionIndex_ + step + count) % count;
    notifyChanged();
}

void SuggestionViewModel::triggerGeneration()
{
    isGenerating_ = true;
    generatedResponse_.clear();
    errorMessage_.clear();
    // Both are taken now: typing on while the answer streams changes nothing.
    const std::string prompt = promptBuffer_;
    const AIActionType action = quickActions().at(static_cast<std::size_t>(selectedActionIndex_)).actionType;
    const Generation generation{++lastGenerationId_, CancellationToken()};
    generation_ = generation;
    notifyChanged();

    const auto id = generation.id;
    services_.stream(
        prompt, action, maxTokens, generation.cancel,
        AIStreamHandler{
            .onChunk = alive_.guard([this, id](const std::string& chunk) { receiveChunk(id, chunk); }),
            .onEnd = alive_.guard(
                [this, id](const std::optional<PlatformError>& failure) { endGeneration(id, failure); }),
        });
}

void SuggestionViewModel::retireGeneration()
{
    if (generation_) {
        generation_->cancel.cancel();
        generation_.reset();
    }
}

void SuggestionViewModel::receiveChunk(std::uint64_t id, const std::string& chunk)
{
    if (!generation_ || generation_->id != id) {
        return;
    }
    generatedResponse_ += chunk;
    notifyChanged();
}

void SuggestionViewModel::endGeneration(std::uint64_t id, const std::optional<PlatformError>& failure)
{
    if (!generation_ || generation_->id != id) {
        return;
    }
    generation_.reset();
    isGenerating_ = false;
    if (failure) {
        errorMessage_ = std::string(generationErrorPrefix) + failure->localizedDescription();
    }
    notifyChanged();
}

void SuggestionViewModel::notifyChanged()
{
    if (changed_) {
        changed_();
    }
}

}  // namespace qm
