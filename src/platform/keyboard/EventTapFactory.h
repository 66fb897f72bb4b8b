#pragma once

#include <functional>
#include <memory>

#include "platform/keyboard/EventTap.h"
#include "platform/keyboard/KeyEventType.h"

namespace qm {

// Creates keyboard event taps. Creation fails (nothing is returned) when the
// process may not listen to the keyboard, as without Accessibility trust.
// Dropping the last reference to a tap invalidates it.
class EventTapFactory {
public:
    virtual ~EventTapFactory() = default;

    // Taps at one location see events in placement order: a head-inserted tap
    // before the taps already there, a tail-appended one after them. A
    // listen-only tap sees events but its answer is ignored.
    virtual std::shared_ptr<EventTap> createTap(EventTap::Location location, EventTap::Placement placement,
                                                EventTap::Options options, EventMask eventsOfInterest,
                                                EventTap::Callback callback) = 0;

    // Runs `block` on the calling thread once the event whose tap callback is
    // running there has been answered: after it reached the frontmost
    // application, or after a tap swallowed it. Blocks run in the order they
    // were given, before the next event goes through, so work handed on from
    // them keeps the order of the keys. Work that need not delay the key (waking
    // another thread, say) belongs here rather than in the callback. Like a
    // callback, a block never waits. Outside a tap callback, `block` runs at once.
    // An event posted from inside a callback is answered, and its blocks run,
    // before that callback goes on; a block given while blocks run waits for the
    // event still in hand on this thread, if any.
    //
    // The platform runs these blocks on the tap thread's run loop before it
    // next waits; the stand-in desktop runs them on the sending thread.
    virtual void performAfterEvent(std::function<void()> block) { block(); }
};

}  // namespace qm
