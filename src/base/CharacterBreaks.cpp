#include "base/CharacterBreaks.h"

#include <memory>

#include <unicode/locid.h>

namespace qm::text {

icu::BreakIterator* characterBreakIterator()
{
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(created) : nullptr;
    }();
    return iterator.get();
}

}  // namespace qm::text
