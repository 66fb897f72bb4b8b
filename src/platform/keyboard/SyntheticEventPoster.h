#pragma once

#include "platform/keyboard/EventTap.h"
#include "platform/keyboard/KeyEvent.h"

namespace qm {

// Posts keyboard events into the stream as if typed. Every posted event is
// tagged as this process's own (KeyEvent::isOurs, the process id as source)
// and reaches the application with the focus through the taps after the
// posting point (posted at the HID location, it passes the session taps too).
// Events arrive in the order they were posted, from whichever thread; callers
// may rely on that order and on nothing else about timing. One event carries
// at most KeyEvent::maxTextLength units of text: post longer text as
// KeyEvent::unicodeStringChunks.
class SyntheticEventPoster {
public:
    virtual ~SyntheticEventPoster() = default;

    // `event` keeps its source state; the tag and source process are set here.
    // (The stand-in desktop returns once the event has reached the application.)
    virtual void post(EventTap::Location location, KeyEvent event) = 0;
};

}  // namespace qm
