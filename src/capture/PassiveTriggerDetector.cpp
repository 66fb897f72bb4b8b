#include "capture/PassiveTriggerDetector.h"

#include <algorithm>
#include <array>
#include <utility>

#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include "base/Text.h"
#include "capture/TriggerBoundary.h"
#include "platform/keyboard/KeyCode.h"

namespace qm {

namespace {

// Key codes of the letters at their US positions, for events that carry no text.
constexpr std::array<std::pair<std::uint16_t, char16_t>, 26> kLetters{{
    {0, u'a'},  {1, u's'},  {2, u'd'},  {3, u'f'},  {4, u'h'},  {5, u'g'},  {6, u'z'},
    {7, u'x'},  {8, u'c'},  {9, u'v'},  {11, u'b'}, {12, u'q'}, {13, u'w'}, {14, u'e'},
    {15, u'r'}, {16, u'y'}, {17, u't'}, {31, u'o'}, {32, u'u'}, {34, u'i'}, {35, u'p'},
    {37, u'l'}, {38, u'j'}, {40, u'k'}, {45, u'n'}, {46, u'm'},
}};

struct Symbol {
    std::uint16_t keyCode;
    char16_t plain;
    char16_t shifted;
};

// Digits and punctuation of key codes 18 to 44; Shift changes only = - and /.
constexpr std::array<Symbol, 13> kSymbols{{
    {18, u'1', u'1'},
    {19, u'2', u'2'},
    {20, u'3', u'3'},
    {21, u'4', u'4'},
    {22, u'6', u'6'},
    {23, u'5', u'5'},
    {24, u'=', u'+'},
    {25, u'9', u'9'},
    {26, u'7', u'7'},
    {27, u'-', u'_'},
    {28, u'8', u'8'},
    {29, u'0', u'0'},
    {44, u'/', u'?'},
}};

// Lower-cases to "k": the one code point outside ASCII that lower-cases to ASCII.
constexpr char16_t kKelvinSign = u'\u212A';

constexpr EventFlags kClearingModifiers = KeyEventFlags::command | KeyEventFlags::control;

std::u16string lowercasedRoot(std::u16string_view text)
{
    // ASCII lower-cases letter by letter in every locale: no ICU for the text
    // that almost every Space and Return ends.
    if (std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit < 0x80; })) {
        std::u16string lowered(text);
        for (char16_t& unit : lowered) {
            if (unit >= u'A' && unit <= u'Z') {
                unit = static_cast<char16_t>(unit - u'A' + u'a');
            }
        }
        return lowered;
    }
    icu::UnicodeString folded(false, text.data(), static_cast<std::int32_t>(text.size()));
    folded.toLower(icu::Locale::getRoot());
    return std::u16string(folded.getBuffer(), static_cast<std::size_t>(folded.length()));
}

std::u16string triggerWord(const CaptureTarget& target)
{
    return u"//" + text::toUtf16(target.commandName());
}

}  // namespace

PassiveTriggerDetector::PassiveTriggerDetector(const CaptureTargetRegistry& registry, std::size_t bufferLimit)
    : bufferLimit_(bufferLimit)
{
    for (const auto& target : registry.targets()) {
        std::u16string word = triggerWord(*target);
        longestTriggerWord_ = std::max(longestTriggerWord_, word.size());
        triggerWordsAreAscii_ =
            triggerWordsAreAscii_ &&
            std::all_of(word.begin(), word.end(), [](char16_t unit) { return unit < 0x80; });
        triggers_.push_back({std::move(word), std::string(target->commandName()), target});
    }
}

std::u16string PassiveTriggerDetector::lowercasedEnd(std::u16string_view typed) const
{
    if (!triggerWordsAreAscii_) {
        return lowercasedRoot(typed);
    }
    // Every code point lower-cases to at least one unit, so the last N units of
    // the lower-cased text come from its last N code points. Only a sigma
    // lower-cases by context, and either of its forms is a non-ASCII unit that
    // no ASCII word matches, wherever the cut falls.
    std::size_t start = typed.size();
    for (std::size_t codePoints = 0; codePoints < longestTriggerWord_ && start > 0; ++codePoints) {
        --start;
        if (start > 0 && U16_IS_TRAIL(typed[start]) && U16_IS_LEAD(typed[start - 1])) {
            --start;
        }
    }
    return lowercasedRoot(typed.substr(start));
}

std::u16string PassiveTriggerDetector::keyText(std::uint16_t keyCode, EventFlags flags,
                                               std::u16string_view eventText)
{
    if (!eventText.empty()) {
        return std::u16string(eventText.substr(0, maxKeyTextLength));
    }
    const bool shift = (flags & KeyEventFlags::shift) != 0;
    for (const auto& [code, letter] : kLetters) {
        if (code == keyCode) {
            return std::u16string(1, shift ? static_cast<char16_t>(letter - u'a' + u'A') : letter);
        }
    }
    for (const auto& symbol : kSymbols) {
        if (symbol.keyCode == keyCode) {
            return std::u16string(1, shift ? symbol.shifted : symbol.plain);
        }
    }
    return {};
}

PassiveOutcome PassiveTriggerDetector::handleOtherKey(PassiveTriggerBuffer& buffer, std::uint16_t keyCode,
                                                      EventFlags flags, std::u16string_view eventText) const
{
    if ((flags & kClearingModifiers) != 0) {
        buffer.clear();
        return {};
    }
    if (keyCode == KeyCode::deleteKey) {
        buffer.removeLastCharacter();
        return {};
    }
    if (keyCode == KeyCode::returnKey) {
        return handleTerminator(buffer, u'\n');
    }
    if (keyCode == KeyCode::space) {
        return handleTerminator(buffer, u' ');
    }
    const std::u16string typed = keyText(keyCode, flags, eventText);
    if (!typed.empty()) {
        buffer.append(typed);
        buffer.keepLastCharacters(bufferLimit_);
    }
    return {};
}

std::optional<std::size_t> PassiveTriggerDetector::matchingTriggerWord(std::u16string_view typed) const
{
    const auto endsWith = [this](std::u16string_view lowered) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < triggers_.size(); ++i) {
            if (lowered.ends_with(triggers_[i].word)) {
                return i;
            }
        }
        return std::nullopt;
    };
    std::array<char16_t, 32> lowered{};
    if (!triggerWordsAreAscii_ || longestTriggerWord_ > lowered.size()) {
        return endsWith(lowercasedEnd(typed));
    }
    // An ASCII word can only match code points that lower-case to one ASCII
    // unit each: ASCII itself and the Kelvin sign (no other code point in
    // ICU's tables lower-cases to text that ends in ASCII; the tests check).
    // So the end is lower-cased unit by unit, on the stack and without ICU;
    // any other unit stays as it is, and no word matches across it.
    const std::size_t tail = std::min(typed.size(), longestTriggerWord_);
    const std::u16string_view end = typed.substr(typed.size() - tail);
    for (std::size_t i = 0; i < tail; ++i) {
        const char16_t unit = end[i];
        lowered[i] = unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a')
                     : unit == kKelvinSign        ? u'k'
                                                  : unit;
    }
    return endsWith(std::u16string_view(lowered.data(), tail));
}

PassiveOutcome PassiveTriggerDetector::handleTerminator(PassiveTriggerBuffer& buffer,
                                                        char16_t terminator) const
{
    buffer.append(std::u16string_view(&terminator, 1));
    const std::u16string_view last = buffer.lastCharacters(1);
    std::optional<std::size_t> matched;
    if (last == u" " || last == u"\n") {
        const std::u16string_view all = buffer.text();
        matched = matchingTriggerWord(all.substr(0, all.size() - last.size()));
    }

    PassiveOutcome outcome;
    if (matched) {
        // Command words are ASCII, so each unit of the word is one character.
        const Trigger& trigger = triggers_[*matched];
        const std::size_t wordLength = trigger.word.size();
        const std::size_t fullLength = wordLength + 1;
        const std::size_t count = buffer.characterCount();
        std::optional<std::u16string_view> prev;
        if (count > fullLength) {
            prev = buffer.character(count - fullLength - 1);
        }
        if (!TriggerBoundary::isValid(prev)) {
            if (count >= fullLength) {
                buffer.removeLastCharacters(fullLength);
            }
        } else {
            outcome.hidesSuggestions = true;
            // The last characters before the terminator, read in place: the key
            // completing a trigger copies no buffer.
            const std::size_t bodyEnd = buffer.characterStart(count - 1);
            const std::size_t bodyStart = buffer.characterStart(count - 1 - std::min(wordLength, count - 1));
            outcome.kind = PassiveOutcome::Kind::trigger;
            outcome.target = trigger.target;
            outcome.commandName = trigger.commandName;
            outcome.triggerBody = text::toUtf8(buffer.text().substr(bodyStart, bodyEnd - bodyStart));
            outcome.documentTriggerLength = static_cast<int>(wordLength);
            buffer.clear();
            return outcome;
        }
    }
    buffer.keepLastCharacters(bufferLimit_);
    return outcome;
}

}  // namespace qm
