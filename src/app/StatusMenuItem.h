#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/StatusMenuAction.h"

namespace qm {

// One row of the status menu as it is shown: a separator, or a title with its
// look, its action (none: shown, but it does nothing and reads as disabled),
// its plain key equivalent and, for an open loop, a submenu.
struct StatusMenuItem {
    enum class Look {
        plain,
        // The version header: 13 pt semibold.
        header,
        // The missing-shortcut warning: 13 pt bold, red.
        warning,
        // The streak line: 12 pt semibold.
        statistic,
        // The pending update: 13 pt bold, orange.
        update,
    };

    bool isSeparator = false;
    std::string title;
    Look look = Look::plain;
    std::optional<StatusMenuAction> action;
    // Pressed with the command modifier ("," or "q"); empty for none.
    std::string keyEquivalent;
    // What the action is about (the open loop's UUID for "Mark done").
    std::string representedObject;
    std::vector<StatusMenuItem> submenu;

    // A row can be chosen when it does something or opens a submenu.
    bool isEnabled() const { return action.has_value() || !submenu.empty(); }

    static StatusMenuItem separator()
    {
        StatusMenuItem item;
        item.isSeparator = true;
        return item;
    }

    friend bool operator==(const StatusMenuItem&, const StatusMenuItem&) = default;
};

}  // namespace qm
