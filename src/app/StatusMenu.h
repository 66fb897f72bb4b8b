#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "app/StatusMenuInputs.h"
#include "app/StatusMenuItem.h"
#include "base/Calendar.h"

namespace qm {

// The status item's menu, top to bottom: the version, whether capture is
// ready, the open loops, the missing-shortcut warning, the capture figures, a
// pending update, then the entries that open the settings, check for updates
// and quit. Built afresh from the inputs each time the menu opens, so it is
// never stale.
struct StatusMenu {
    static constexpr int kLoopHeaderSwitchHour = 17;
    // A loop title this long or longer is cut to kLoopTitleKept characters and "…".
    static constexpr std::size_t kLoopTitleCutLength = 49;
    static constexpr std::size_t kLoopTitleKept = 45;

    std::vector<StatusMenuItem> items;

    // A function of its arguments alone. `calendar` gives the hour that picks
    // the open-loop header and the calendar of the last capture's relative
    // time, written for `localeId` (empty: the user's locale).
    static StatusMenu build(const StatusMenuInputs& inputs, const Calendar& calendar,
                            std::string_view localeId = {});

    friend bool operator==(const StatusMenu&, const StatusMenu&) = default;
};

}  // namespace qm
