#pragma once

#include <functional>
#include <optional>

#include "platform/keyboard/KeyEvent.h"

namespace qm {

// A tap on the keyboard stream, made by EventTapFactory. Its callback sees
// each event of the types it asked for before the application with the focus
// does, and passes it (returns it), replaces it (returns another) or swallows
// it (returns nothing).
//
// Threads: on the platform the callback runs on the thread whose run loop
// holds the tap. In the stand-in desktop there is no such hop: the callback runs
// synchronously on the thread that sends the key (the keyboard driver's caller,
// or whoever posts a synthetic event), so it may run on any thread while the
// main loop runs elsewhere. An event posted from inside a callback goes through
// the taps and reaches the application at once, ahead of the event in hand, so
// a callback must let its own synthetic events through before taking any lock
// it holds while posting. Events go through one at a time, so a callback that
// waits for another thread which is itself sending a key never returns (the
// platform would switch the tap off by timeout): a callback never waits. Work
// the key need not wait for goes to EventTapFactory::performAfterEvent.
//
// When the system switches the tap off it calls the callback once with a
// tapDisabledByTimeout or tapDisabledByUserInput event (whatever the mask; the
// answer is ignored) and then bypasses the tap until it is enabled again.
class EventTap {
public:
    enum class Location {
        hid,               // where hardware events enter
        session,           // where the login session's events enter
        annotatedSession,  // after the session taps
    };
    enum class Placement { headInsert, tailAppend };
    enum class Options { defaultTap, listenOnly };

    using Callback = std::function<std::optional<KeyEvent>(const KeyEvent& event)>;

    virtual ~EventTap() = default;

    // A new tap is enabled.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    // Removes the tap for good; its callback is not called again once this
    // returns, except by a call already running on another thread.
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

}  // namespace qm
