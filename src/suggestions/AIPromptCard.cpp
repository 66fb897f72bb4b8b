#include "suggestions/AIPromptCard.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "base/Text.h"
#include "suggestions/SuggestionViewModel.h"

namespace qm {

namespace {

std::string uppercased(const std::string& utf8)
{
    std::string result;
    icu::UnicodeString::fromUTF8(utf8).toUpper(icu::Locale::getRoot()).toUTF8String(result);
    return result;
}

}  // namespace

std::string AIPromptCard::excerpt(std::string_view selected)
{
    if (text::graphemeCount(selected) < excerptLimit) {
        return std::string(selected);
    }
    return text::truncateGraphemes(selected, excerptKept) + "...";
}

AIPromptCard AIPromptCard::make(const SuggestionViewModel& model)
{
    const AIPromptServices& services = model.services();
    AIPromptCard card;
    const std::string provider = services.providerName ? services.providerName() : std::string();
    const std::string modelName = services.modelName ? services.modelName() : std::string();
    card.serviceLine = uppercased(provider) + " • " + modelName;

    if (services.selectedText) {
        const auto selected = services.selectedText();
        if (selected && !selected->empty()) {
            card.contextLine = "Selected Context: \"" + excerpt(*selected) + "\"";
        }
    }

    card.instructionIsPlaceholder = model.promptBuffer().empty();
    card.instruction = card.instructionIsPlaceholder ? std::string(placeholder) : model.promptBuffer();

    const auto& actions = model.quickActions();
    for (std::size_t i = 0; i < actions.size(); ++i) {
        card.actions.push_back(
            {actions[i].label, actions[i].iconName, static_cast<int>(i) == model.selectedActionIndex()});
    }

    const bool hasResult =
        model.isGenerating() || !model.generatedResponse().empty() || !model.errorMessage().empty();
    card.bottom = hasResult ? Bottom::result : Bottom::composing;
    if (hasResult) {
        if (!model.errorMessage().empty()) {
            card.errorText = model.errorMessage();
        }
        card.answer = model.generatedResponse();
        card.showsProgress = model.isGenerating();
        card.showsInsertHint = !model.isGenerating() && !model.generatedResponse().empty();
    }
    return card;
}

}  // namespace qm
