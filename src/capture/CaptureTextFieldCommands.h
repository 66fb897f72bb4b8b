#pragma once

#include <functional>

namespace qm {

class CaptureRouterController;
class NotificationCenter;

// The overlay message field's editing commands: Return commits, Esc cancels,
// and for a target with a picker Tab, Shift-Tab and the arrows move the
// highlighted row. The Slack target (a picker-filtering target) works in two
// steps: while its row is not confirmed, Return (with or without Shift) and
// Tab confirm the highlighted row and Esc cancels the capture; once it is,
// Return commits and Esc or Shift-Tab go back to the picker.
//
// perform() answers whether it handled the command; a command it leaves
// alone is the text field's own (a line break, a tab, a caret move). Main
// thread.
class CaptureTextFieldCommands {
public:
    enum class Command { insertNewline, cancelOperation, insertTab, insertBacktab, moveUp, moveDown, other };

    // `router` and `center` must outlive the field. `onCommit` and `onCancel`
    // are what the overlay view passes (the router's commit and cancel).
    CaptureTextFieldCommands(CaptureRouterController& router, NotificationCenter& center,
                             std::function<void()> onCommit, std::function<void()> onCancel);

    // `shiftHeld`: the key that made the command was pressed with Shift.
    bool perform(Command command, bool shiftHeld);

private:
    bool performForPickerFilteringTarget(Command command);
    bool performForOtherTarget(Command command, bool shiftHeld);
    void moveSelection(int step);
    void confirmSelection();
    void returnToPicker();

    CaptureRouterController& router_;
    NotificationCenter& center_;
    std::function<void()> onCommit_;
    std::function<void()> onCancel_;
};

}  // namespace qm
