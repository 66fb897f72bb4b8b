#include "capture/PassiveTriggerBuffer.h"

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>
#include <unicode/utf16.h>

#include "base/Text.h"
#include "base/CharacterBreaks.h"

namespace qm {


std::string PassiveTriggerBuffer::utf8() const
{
    return text::toUtf8(text_);
}

std::vector<std::size_t> PassiveTriggerBuffer::characterBoundaries() const
{
    std::vector<std::size_t> boundaries{0};
    if (text_.empty()) {
        return boundaries;
    }
    icu::BreakIterator* breaks = text::characterBreakIterator();
    UErrorCode status = U_ZERO_ERROR;
    UText ut = UTEXT_INITIALIZER;
    utext_openUChars(&ut, text_.data(), static_cast<int64_t>(text_.size()), &status);
    if (breaks != nullptr && U_SUCCESS(status)) {
        breaks->setText(&ut, status);
    }
    if (breaks == nullptr || U_FAILURE(status)) {
        // Without ICU's rules every code unit counts as a character.
        utext_close(&ut);
        for (std::size_t i = 1; i <= text_.size(); ++i) {
            boundaries.push_back(i);
        }
        return boundaries;
    }
    for (auto end = breaks->next(); end != icu::BreakIterator::DONE; end = breaks->next()) {
        boundaries.push_back(static_cast<std::size_t>(end));
    }
    // Every use gives the iterator its text first, so its copy of `ut` is never read again.
    utext_close(&ut);
    if (boundaries.back() != text_.size()) {
        boundaries.push_back(text_.size());
    }
    return boundaries;
}

std::size_t PassiveTriggerBuffer::characterCount() const
{
    return characterBoundaries().size() - 1;
}

void PassiveTriggerBuffer::append(std::u16string_view text)
{
    text_.reserve(text_.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
            text_.push_back(unit);
            text_.push_back(text[++i]);
        } else if (U16_IS_SURROGATE(unit)) {
            text_.push_back(u'\uFFFD');
        } else {
            text_.push_back(unit);
        }
    }
}

void PassiveTriggerBuffer::removeLastCharacter()
{
    removeLastCharacters(1);
}

void PassiveTriggerBuffer::removeLastCharacters(std::size_t count)
{
    if (count == 0 || text_.empty()) {
        return;
    }
    const auto boundaries = characterBoundaries();
    const std::size_t characters = boundaries.size() - 1;
    if (count >= characters) {
        text_.clear();
        return;
    }
    text_.erase(boundaries[characters - count]);
}

void PassiveTriggerBuffer::keepLastCharacters(std::size_t count)
{
    const auto boundaries = characterBoundaries();
    const std::size_t characters = boundaries.size() - 1;
    if (characters <= count) {
        return;
    }
    text_.erase(0, boundaries[characters - count]);
}

std::u16string_view PassiveTriggerBuffer::lastCharacters(std::size_t count) const
{
    const auto boundaries = characterBoundaries();
    const std::size_t characters = boundaries.size() - 1;
    const std::size_t start = count >= characters ? 0 : boundaries[characters - count];
    return std::u16string_view(text_).substr(start);
}

std::u16string_view PassiveTriggerBuffer::character(std::size_t index) const
{
    const auto boundaries = characterBoundaries();
    if (index + 1 >= boundaries.size()) {
        return {};
    }
    return std::u16string_view(text_).substr(boundaries[index], boundaries[index + 1] - boundaries[index]);
}

}  // namespace qm
