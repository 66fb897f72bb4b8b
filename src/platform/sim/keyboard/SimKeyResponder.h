#pragma once

#include "platform/keyboard/KeyEvent.h"

namespace qm {

class SimDesktopState;
struct SimAppRecord;

// What the focused element of a stand-in application does with a key that
// reached it, as a real text field would:
// - typed text replaces the selection (keys with Command or Control type nothing);
// - Delete removes the selection, or the one user-perceived character before
//   the caret (a flag or a family emoji as a whole);
// - Return inserts "\n" in a multi-line field and nothing in a single-line one;
// - Tab inserts "\t" in a multi-line field; elsewhere it moves the focus to the
//   next text field of the window (Shift+Tab: the previous one), selecting its text;
// - Left and Right move the caret by one character (or to the selection's
//   edge), Up and Down by one line (single-line: to the start or the end);
// - Command+A selects everything;
// - in an open menu, Escape or Return closes it.
// Only key-downs do anything.
class SimKeyResponder {
public:
    // With the state's lock held.
    static void handle(SimDesktopState& state, SimAppRecord& app, const KeyEvent& event);
};

}  // namespace qm
