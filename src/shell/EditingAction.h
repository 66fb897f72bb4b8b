#pragma once

#include <string_view>

namespace qm {

// The standard editing actions that key equivalents send to the focused
// text field.
enum class EditingAction { copy, paste, cut, selectAll, undo, redo };

// The action's selector name ("copy:", "paste:" ...).
constexpr std::string_view selectorName(EditingAction action)
{
    switch (action) {
    case EditingAction::copy:
        return "copy:";
    case EditingAction::paste:
        return "paste:";
    case EditingAction::cut:
        return "cut:";
    case EditingAction::selectAll:
        return "selectAll:";
    case EditingAction::undo:
        return "undo:";
    case EditingAction::redo:
        return "redo:";
    }
    return "";
}

}  // namespace qm
