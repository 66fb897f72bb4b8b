// Context harvest and prompt building of AISuggestionEngine.
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/workspace/Workspace.h"
#include "suggestions/AISuggestionEngine.h"

namespace qm {

namespace {

// A non-empty text attribute of `element`; nothing on any error.
std::optional<std::string> nonEmptyString(const AXUIElement& element, std::string_view attribute)
{
    AXValue value;
    if (element.copyAttributeValue(attribute, value) != AXError::success) {
        return std::nullopt;
    }
    auto text = value.asString();
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return text;
}

// The last `count` user-perceived characters of `value`.
std::string lastCharacters(const std::string& value, std::size_t count)
{
    const std::size_t total = text::graphemeCount(value);
    if (total <= count) {
        return value;
    }
    return value.substr(text::truncateGraphemes(value, total - count).size());
}

std::string instruction(const AIActionType& action)
{
    switch (action.kind()) {
    case AIActionType::Kind::rewrite:
        return "Please rewrite the following text to sound extremely " + action.value() +
               ". Preserve the original core intent, but format nicely. Reply ONLY with the rewritten text "
               "and "
               "nothing else (no conversational filler).";
    case AIActionType::Kind::translate:
        return "Please translate the following text to " + action.value() +
               ". Return ONLY the translation without any quote marks or explanations.";
    case AIActionType::Kind::custom:
        return action.value();
    case AIActionType::Kind::summarize:
        return "Please summarize the following text into key bullet points or a short, impactful paragraph. "
               "Avoid conversational intros.";
    case AIActionType::Kind::explain:
        break;
    }
    return "Please briefly explain the following text or code snippet clearly. Be concise and precise. Avoid "
           "conversational intros.";
}

void appendQuoted(std::string& prompt, std::string_view heading, const std::string& body)
{
    prompt += heading;
    prompt += ":\n\"\"\"\n";
    prompt += body;
    prompt += "\n\"\"\"\n\n";
}

}  // namespace

AISuggestionEngine::HarvestedContext AISuggestionEngine::harvestContext() const
{
    HarvestedContext context;
    AXValue focusedValue;
    const AXError focusedError =
        accessibility_.systemWideElement().copyAttributeValue(AXAttribute::focusedUIElement, focusedValue);
    if (const auto frontmost = workspace_.frontmostApplication()) {
        context.appBundleId = frontmost->bundleIdentifier;
    }
    const auto focused = focusedError == AXError::success ? focusedValue.asElement() : std::nullopt;
    if (!focused || focused->isNull()) {
        return context;
    }
    context.selectedText = nonEmptyString(*focused, AXAttribute::selectedText);
    if (auto value = nonEmptyString(*focused, AXAttribute::value)) {
        context.surroundingValue = lastCharacters(*value, kSurroundingCharacters);
    }
    if (focusedDomain_) {
        context.domain = focusedDomain_(*focused);
    }
    return context;
}

std::string AISuggestionEngine::buildFinalPrompt(const std::string& basePrompt,
                                                 const AIActionType& action) const
{
    std::string prompt;
    if (isEnhancedContextEnabled()) {
        const auto context = harvestContext();
        std::vector<std::string> environment;
        if (context.appBundleId) {
            environment.push_back("App: " + *context.appBundleId);
        }
        if (context.domain) {
            environment.push_back("Website: " + *context.domain);
        }
        if (!environment.empty()) {
            prompt += "Environment Context [";
            for (std::size_t i = 0; i < environment.size(); ++i) {
                prompt += (i ? ", " : "") + environment[i];
            }
            prompt += "]\n";
        }
        if (context.selectedText && !context.selectedText->empty()) {
            appendQuoted(prompt, "Selected Text Context", *context.selectedText);
        } else if (context.surroundingValue && !context.surroundingValue->empty()) {
            appendQuoted(prompt, "Surrounding Text Context", *context.surroundingValue);
        }
    }
    prompt += "Instructions:\n";
    prompt += instruction(action);
    prompt += "\n\nText/Query:\n\"\"\"\n";
    prompt += basePrompt;
    prompt += "\n\"\"\"";
    return prompt;
}

}  // namespace qm
