#pragma once

#include "shell/EditingAction.h"

class QWidget;

namespace qm {

// Sends an editing action up the responder chain: the first widget from
// `firstResponder` upwards that has the action's slot (copy(), paste(),
// cut(), selectAll(), undo(), redo(), as Qt's text widgets do) performs it.
class EditingActionSender {
public:
    // False when no widget on the way had the slot, or there was no widget.
    static bool send(EditingAction action, QWidget* firstResponder);
};

}  // namespace qm
