#include "capture/TriggerBoundary.h"

#include "base/KeyPath.h"

namespace qm {

QM_OTHER_KEY_PATH bool TriggerBoundary::isValid(std::optional<std::u16string_view> prev)
{
    if (!prev) {
        return true;
    }
    return *prev != u":" && *prev != u"/";
}

}  // namespace qm
