#include "app/SuggestionInserter.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "app/HostField.h"
#include "app/PlaceholderNavigator.h"
#include "app/SyntheticTyping.h"
#include "base/FileUtil.h"
#include "base/Log.h"
#include "base/Text.h"
#include "capture/EventTapManager.h"
#include "platform/accessibility/AXAttribute.h"
#include "platform/accessibility/AXValue.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/storage/UserDefaults.h"
#include "platform/workspace/Alert.h"
#include "platform/workspace/AlertPresenter.h"
#include "platform/workspace/Workspace.h"
#include "suggestions/OverlayPanel.h"

namespace qm {

namespace {

constexpr std::array<std::string_view, 3> kNoSpaceAfter{"(", "[", "{"};
constexpr std::array<std::string_view, 9> kNoSpaceBefore{",", ".", "!", "?", ")", "]", "}", ";", ":"};

bool isWhitespace(const std::string& character)
{
    return !character.empty() && text::trimmed(character).empty();
}

template <std::size_t N>
bool isOneOf(const std::string& character, const std::array<std::string_view, N>& set)
{
    return std::find(set.begin(), set.end(), character) != set.end();
}

// The last character of a short read, whole: a read that starts inside a
// surrogate pair still ends with the whole character before the word.
std::optional<std::string> lastCharacter(const std::optional<std::string>& text)
{
    if (!text || text->empty()) {
        return std::nullopt;
    }
    const std::u16string units = text::toUtf16(*text);
    const std::size_t length = text::utf16LengthOfCharacterBefore(*text, units.size());
    return text::toUtf8(std::u16string_view(units).substr(units.size() - length));
}

std::optional<std::string> firstCharacter(const std::optional<std::string>& text)
{
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return text::truncateGraphemes(*text, 1);
}

std::int64_t units(std::string_view utf8)
{
    return static_cast<std::int64_t>(text::utf16Length(utf8));
}

}  // namespace

SuggestionInserter::SuggestionInserter(Services services, std::function<void()> countersChanged)
    : services_(services), countersChanged_(std::move(countersChanged))
{
}

bool SuggestionInserter::isNativeApplication(const std::optional<std::string>& bundleId)
{
    if (!bundleId) {
        return false;
    }
    const std::string id = text::lowercased(*bundleId);
    return id.starts_with("com.apple.") || id == "com.mitchellh.ghostty" || id == "com.googlecode.iterm2";
}

void SuggestionInserter::accept(const SuggestionModel& suggestion)
{
    EventTapManager& tap = services_.eventTapManager;
    const std::string text = textToInsert(suggestion);
    const std::string typedPrefix = tap.currentWordPrefix();
    const Prefix prefix{text::graphemeCount(typedPrefix), units(typedPrefix)};

    if (!confirmCorrection(suggestion)) {
        services_.panel.hide();
        tap.setSuggestionsOverlayVisible(false);
        return;
    }

    std::optional<std::string> bundleId;
    if (const auto frontmost = services_.workspace.frontmostApplication()) {
        bundleId = frontmost->bundleIdentifier;
    }
    const bool native = isNativeApplication(bundleId);
    if (bundleId) {
        Log::log(fmt::format("🔍 PredictiveOverlay: Focused application bundle ID: {} (isNativeApp: {})",
                             *bundleId, native ? 1 : 0));
    }

    const Surroundings around = readSurroundings(prefix);
    std::string leading;
    if (prefix.characters == 0 && around.characterBefore && !isWhitespace(*around.characterBefore) &&
        !isOneOf(*around.characterBefore, kNoSpaceAfter)) {
        leading = " ";
    }
    std::string trailing = " ";
    if (around.characterAfter &&
        (isWhitespace(*around.characterAfter) || isOneOf(*around.characterAfter, kNoSpaceBefore))) {
        trailing.clear();
    }

    bool selectionMoved = false;
    if (native && around.element && around.selection && around.selection->location >= prefix.units) {
        const std::string finalText = leading + text + trailing;
        if (editThroughAccessibility(*around.element, around, prefix, finalText) == EditOutcome::inserted) {
            if (trailing == " ") {
                tap.setLastActionWasSuggestionWithTrailingSpace(true);
            }
            Log::log(
                fmt::format("✅ Direct AX write verified successfully with smart spacing: '{}'", finalText));
            startPlaceholders(text, around, leading, false);
            finish(text, prefix);
            return;
        }
        selectionMoved = true;
    }

    // Synthetic keys. Where the caret's place is unknown, a word typed
    // earlier stands for the text before it; where it is known, what is
    // there decides (a second space after a space would be wrong).
    if (!around.selection && prefix.characters == 0 && !tap.recentWords().empty()) {
        leading = " ";
    }
    const std::string typed = leading + text + trailing;
    Log::log(
        fmt::format("⌨️ Using synthetic keystroke insertion for suggestions: '{}' (prefix: {} chars)",
                    typed, prefix.characters));
    std::size_t deletes = prefix.characters;
    if (around.element && around.selection) {
        deletes = restoreBeforeTyping(*around.element, around, prefix, selectionMoved);
    }
    SyntheticTyping typing(services_.eventPoster);
    typing.postDeletes(deletes);
    typing.postText(typed);
    if (trailing == " ") {
        tap.setLastActionWasSuggestionWithTrailingSpace(true);
    }
    startPlaceholders(text, around, leading, true);
    finish(text, prefix);
}

std::string SuggestionInserter::textToInsert(const SuggestionModel& suggestion) const
{
    if (suggestion.type != SuggestionType::knowledge) {
        return suggestion.action;
    }
    const auto mode = services_.defaults.stringForKey(knowledgeInsertModeKey);
    if (mode && *mode != "content") {
        return suggestion.action;
    }
    std::error_code error;
    const auto content = file::readRegularFile(suggestion.action, error);
    if (!content || !text::isValidUtf8(*content)) {
        return suggestion.action;  // a note that cannot be read goes in as its path
    }
    return *content;
}

bool SuggestionInserter::confirmCorrection(const SuggestionModel& suggestion)
{
    if (suggestion.type != SuggestionType::mistake || suggestion.priority != 0) {
        return true;
    }
    Alert alert;
    alert.alertStyle = Alert::Style::critical;
    alert.messageText = "Mistake Shield Block";
    alert.informativeText = "Quillmarker detected a critical issue:\n\nTitle: " + suggestion.title +
                            "\nDescription: " + suggestion.body.value_or("") +
                            "\n\nWould you like to apply the correction?";
    alert.addButton("Apply Correction");
    alert.addButton("Ignore");
    return services_.alerts.runModal(alert) != Alert::alertSecondButtonReturn;
}

SuggestionInserter::Surroundings SuggestionInserter::readSurroundings(const Prefix& prefix) const
{
    Surroundings around;
    around.element = HostField::focusedElement(services_.accessibility);
    if (!around.element) {
        return around;
    }
    around.selection = HostField::selectedRange(*around.element);
    if (!around.selection) {
        return around;
    }
    around.wordStart = around.selection->location - prefix.units;
    if (around.wordStart > 0) {
        // Two units, so that a character outside the Basic Multilingual Plane
        // is read whole.
        const std::int64_t from = std::max<std::int64_t>(0, around.wordStart - 2);
        around.characterBefore =
            lastCharacter(HostField::stringForRange(*around.element, {from, around.wordStart - from}));
        if (!around.characterBefore) {
            around.characterBefore =
                lastCharacter(HostField::stringForRange(*around.element, {around.wordStart - 1, 1}));
        }
    }
    around.characterAfter =
        firstCharacter(HostField::stringForRange(*around.element, {around.selection->location, 1}));
    return around;
}

SuggestionInserter::EditOutcome SuggestionInserter::editThroughAccessibility(const AXUIElement& element,
                                                                             const Surroundings& around,
                                                                             const Prefix& prefix,
                                                                             const std::string& finalText)
{
    const auto valueBefore = HostField::stringAttribute(element, AXAttribute::value);
    const bool selected =
        element.setAttributeValue(AXAttribute::selectedTextRange,
                                  AXValue::range({around.wordStart, prefix.units})) == AXError::success;
    const bool written =
        selected &&
        element.setAttributeValue(AXAttribute::selectedText, AXValue::string(finalText)) == AXError::success;
    const AXTextRange inserted{around.wordStart, units(finalText)};
    if (written) {
        if (const auto caret = HostField::selectedRange(element);
            caret && caret->location == inserted.end()) {
            return EditOutcome::inserted;
        }
        // Some hosts take the text and put the caret elsewhere.
        if (HostField::stringForRange(element, inserted) == finalText) {
            return EditOutcome::inserted;
        }
    }
    const auto valueAfter = HostField::stringAttribute(element, AXAttribute::value);
    if (valueBefore && valueAfter) {
        if (*valueBefore == *valueAfter) {
            return EditOutcome::unchanged;
        }
        Log::log("⚠️ PredictiveOverlay: The field changed but the suggestion cannot be found in it; not "
                 "typing "
                 "it again");
        return EditOutcome::inserted;
    }
    // Nothing to compare: a host that took both writes is believed; one that
    // refused one is taken at its word.
    return written ? EditOutcome::inserted : EditOutcome::unchanged;
}

std::size_t SuggestionInserter::restoreBeforeTyping(const AXUIElement& element, const Surroundings& around,
                                                    const Prefix& prefix, bool selectionMoved)
{
    if (!selectionMoved) {
        return prefix.characters;
    }
    const AXTextRange original = *around.selection;
    const bool restored = element.setAttributeValue(AXAttribute::selectedTextRange,
                                                    AXValue::range(original)) == AXError::success;
    const AXTextRange prefixRange{around.wordStart, prefix.units};
    const auto now = HostField::selectedRange(element);
    if (now ? *now == original : restored) {
        return prefix.characters;
    }
    if (!now || *now == prefixRange) {
        // The typed prefix is still selected: one Delete takes all of it.
        return prefix.units > 0 ? 1 : 0;
    }
    // The caret is somewhere else: a Delete there would take the user's text.
    return 0;
}

void SuggestionInserter::startPlaceholders(const std::string& text, const Surroundings& around,
                                           const std::string& leading, bool typed)
{
    if (!around.element || !around.selection) {
        return;  // where the text landed is unknown, so no blank can be found in it
    }
    auto found = PlaceholderNavigator::parsePlaceholders(text, units(leading) + around.wordStart);
    if (found.empty()) {
        return;
    }
    PlaceholderNavigator& placeholders = services_.placeholders;
    placeholders.begin(std::move(found));
    if (typed) {
        placeholders.selectFirstAfter(PlaceholderNavigator::selectionDelayAfterTyping, *around.element);
    } else {
        placeholders.selectPlaceholder(0, *around.element);
    }
}

void SuggestionInserter::finish(const std::string& text, const Prefix& prefix)
{
    EventTapManager& tap = services_.eventTapManager;
    tap.setCurrentWordPrefix("");
    std::vector<std::string> words = tap.recentWords();
    words.push_back(text);
    if (words.size() > EventTapManager::recentWordsLimit) {
        words.erase(words.begin());
    }
    tap.setRecentWords(std::move(words));
    services_.panel.hide();
    tap.setSuggestionsOverlayVisible(false);

    UserDefaults& defaults = services_.defaults;
    defaults.set(acceptedCountKey, defaults.integerForKey(acceptedCountKey) + 1);
    const std::size_t characters = text::graphemeCount(text);
    const std::size_t saved = characters > prefix.characters ? characters - prefix.characters : 0;
    defaults.set(keystrokesSavedKey,
                 defaults.integerForKey(keystrokesSavedKey) + static_cast<std::int64_t>(saved));
    if (countersChanged_) {
        countersChanged_();
    }
}

}  // namespace qm
