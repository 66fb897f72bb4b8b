#include "platform/sim/accessibility/SimGraphemes.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

namespace qm {
namespace {

// One character iterator per thread, pointed at the text for each call.
class CharacterIterator {
public:
    explicit CharacterIterator(std::u16string_view text)
        : text_(false, text.data(), static_cast<int32_t>(text.size()))
    {
        thread_local std::unique_ptr<icu::BreakIterator> shared = [] {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::BreakIterator> made(
                icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
            if (U_FAILURE(status) || !made) {
                throw std::runtime_error("ICU character break iterator unavailable");
            }
            return made;
        }();
        iterator_ = shared.get();
        iterator_->setText(text_);
    }

    icu::BreakIterator* operator->() const { return iterator_; }

private:
    icu::UnicodeString text_;  // aliases the caller's text
    icu::BreakIterator* iterator_ = nullptr;
};

}  // namespace

std::size_t SimGraphemes::previousBoundary(std::u16string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    if (offset == 0) {
        return 0;
    }
    CharacterIterator it(text);
    const int32_t previous = it->preceding(static_cast<int32_t>(offset));
    return previous == icu::BreakIterator::DONE ? 0 : static_cast<std::size_t>(previous);
}

std::size_t SimGraphemes::nextBoundary(std::u16string_view text, std::size_t offset)
{
    if (offset >= text.size()) {
        return text.size();
    }
    CharacterIterator it(text);
    const int32_t next = it->following(static_cast<int32_t>(offset));
    return next == icu::BreakIterator::DONE ? text.size() : static_cast<std::size_t>(next);
}

std::size_t SimGraphemes::count(std::u16string_view text, std::size_t from, std::size_t to)
{
    to = std::min(to, text.size());
    if (from >= to) {
        return 0;
    }
    CharacterIterator it(text);
    std::size_t characters = 0;
    int32_t position = it->isBoundary(static_cast<int32_t>(from)) ? static_cast<int32_t>(from)
                                                                  : it->following(static_cast<int32_t>(from));
    while (position != icu::BreakIterator::DONE && static_cast<std::size_t>(position) < to) {
        ++characters;
        position = it->next();
    }
    return characters;
}

}  // namespace qm
