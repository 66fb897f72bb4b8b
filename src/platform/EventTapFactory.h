#pragma once

#include <memory>

#include "platform/EventTap.h"
#include "platform/KeyEventType.h"

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
};

}  // namespace qm
