#include "capture/TriggerBoundary.h"

namespace qm {

bool TriggerBoundary::isValid(std::optional<std::u16string_view> prev)
{
    if (!prev) {
        return true;
    }
    return *prev != u":" && *prev != u"/";
}

}  // namespace qm
