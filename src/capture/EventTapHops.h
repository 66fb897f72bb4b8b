#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "capture/EventTapCallGate.h"
#include "platform/keyboard/EventTapFactory.h"
#include "platform/runtime/AliveToken.h"
#include "platform/runtime/MainLoop.h"

namespace qm {

class EventTapManager;
class EventTapManagerDelegate;

// How the event tap's parts reach other threads and the delegate: the main
// thread (woken only once the key in hand has been answered when called from
// the tap callback), the moment after the key, and the delegate's reports.
// Every hop is dropped once the manager is going: main-thread blocks check
// that it still lives, blocks after the key pass the call gate again.
//
// One per manager, made and destroyed with it on the main thread; its methods
// run on any thread except delegate()/setDelegate() (main thread).
class EventTapHops {
public:
    // `manager` is only passed on to the delegate; it may still be under construction.
    EventTapHops(EventTapFactory& tapFactory, MainLoop& mainLoop, EventTapManager& manager);
    EventTapHops(const EventTapHops&) = delete;
    EventTapHops& operator=(const EventTapHops&) = delete;

    // The gate every tap callback and every block after a key goes through.
    const std::shared_ptr<EventTapCallGate>& gate() const { return gate_; }

    // Read afresh for every report; the delegate must be cleared (nullptr)
    // before it goes away.
    EventTapManagerDelegate* delegate() const { return delegate_; }
    void setDelegate(EventTapManagerDelegate* delegate) { delegate_ = delegate; }

    // Runs `task` on the main thread if the manager still lives then. From the
    // tap callback, the main thread is woken once the key has been answered.
    void onMain(std::function<void()> task);
    ScheduledTask onMainAfter(double seconds, std::function<void()> task);
    // Runs `task` on this thread once the key event in hand has been answered
    // (EventTapFactory::performAfterEvent), outside the tap callback at once;
    // not at all once the manager is being destroyed. `task` travels inside
    // the one block handed to the platform: a single allocation.
    template <class Task> void afterEvent(Task task)
    {
        // The block runs after the callback has left the gate, so it enters again:
        // a manager being destroyed by then is never touched.
        tapFactory_.performAfterEvent([gate = gate_, task = std::move(task)]() mutable {
            if (const EventTapCallGate::Pass pass(*gate); pass) {
                task();
            }
        });
    }
    // Calls the delegate, if one is set then, on the main thread.
    void callDelegateOnMain(std::function<void(EventTapManagerDelegate&, EventTapManager&)> call);

private:
    EventTapFactory& tapFactory_;
    MainLoop& mainLoop_;
    EventTapManager& manager_;
    EventTapManagerDelegate* delegate_ = nullptr;
    std::shared_ptr<EventTapCallGate> gate_ = std::make_shared<EventTapCallGate>();
    AliveToken alive_;
};

}  // namespace qm
