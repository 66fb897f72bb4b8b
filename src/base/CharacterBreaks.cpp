#include "base/CharacterBreaks.h"

#include <algorithm>
#include <cstdint>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utf16.h>

namespace qm::text {

namespace {

std::unique_ptr<icu::BreakIterator> makeIterator()
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> made(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    return U_SUCCESS(status) ? std::move(made) : nullptr;
}

// The iterator this thread lends out; empty while it is lent.
std::unique_ptr<icu::BreakIterator>& spareIterator()
{
    thread_local std::unique_ptr<icu::BreakIterator> spare = makeIterator();
    return spare;
}

std::int32_t icuOffset(std::size_t offset)
{
    return static_cast<std::int32_t>(offset);
}

}  // namespace

CharacterBreaks::CharacterBreaks(std::u16string_view text) : text_(text)
{
    auto& spare = spareIterator();
    iterator_ = spare ? std::move(spare) : makeIterator();
    if (!iterator_) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    utext_openUChars(&utext_, text_.data(), static_cast<std::int64_t>(text_.size()), &status);
    if (U_SUCCESS(status)) {
        iterator_->setText(&utext_, status);
    }
    if (U_FAILURE(status)) {
        iterator_.reset();
    }
}

CharacterBreaks::~CharacterBreaks()
{
    // The iterator still points at the caller's text, but every object that
    // borrows it sets its own text first, so that text is never read again.
    if (iterator_) {
        auto& spare = spareIterator();
        if (!spare) {
            spare = std::move(iterator_);
        }
    }
    utext_close(&utext_);
}

std::size_t CharacterBreaks::following(std::size_t offset)
{
    if (offset >= text_.size()) {
        return text_.size();
    }
    if (!iterator_) {
        auto i = icuOffset(offset);
        U16_FWD_1(text_.data(), i, icuOffset(text_.size()));
        return static_cast<std::size_t>(i);
    }
    // Walking forward from the last boundary is the common case, and next()
    // serves it without seeking.
    const std::int32_t next = iterator_->current() == icuOffset(offset)
                                  ? iterator_->next()
                                  : iterator_->following(icuOffset(offset));
    return next == icu::BreakIterator::DONE ? text_.size() : static_cast<std::size_t>(next);
}

std::size_t CharacterBreaks::preceding(std::size_t offset)
{
    offset = std::min(offset, text_.size());
    if (offset == 0) {
        return 0;
    }
    if (!iterator_) {
        auto i = icuOffset(offset);
        U16_BACK_1(text_.data(), 0, i);
        return static_cast<std::size_t>(i);
    }
    const std::int32_t previous = iterator_->preceding(icuOffset(offset));
    return previous == icu::BreakIterator::DONE ? 0 : static_cast<std::size_t>(previous);
}

bool CharacterBreaks::isBoundary(std::size_t offset)
{
    if (offset > text_.size()) {
        return false;
    }
    if (offset == 0 || offset == text_.size()) {
        return true;
    }
    if (!iterator_) {
        return !(U16_IS_TRAIL(text_[offset]) && U16_IS_LEAD(text_[offset - 1]));
    }
    return iterator_->isBoundary(icuOffset(offset));
}

std::size_t CharacterBreaks::count(std::size_t from, std::size_t to)
{
    to = std::min(to, text_.size());
    std::size_t characters = 0;
    for (std::size_t start = isBoundary(from) ? from : following(from); start < to;
         start = following(start)) {
        ++characters;
    }
    return characters;
}

}  // namespace qm::text
