#pragma once

#include <functional>
#include <vector>

namespace qm {

// The blocks handed to SimEventStream::performAfterEvent while one event goes
// through on this thread: made when the event enters the stream, finished once
// it is answered. An event sent from inside a callback opens a frame of its
// own, whose blocks run once that inner event is answered, still inside the
// outer callback. A frame left by an exception drops its blocks.
class SimEventTapAfterEvent {
public:
    SimEventTapAfterEvent();
    ~SimEventTapAfterEvent();
    SimEventTapAfterEvent(const SimEventTapAfterEvent&) = delete;
    SimEventTapAfterEvent& operator=(const SimEventTapAfterEvent&) = delete;

    // The frame of the event going through on this thread, if any.
    static SimEventTapAfterEvent* innermost();

    void add(std::function<void()> block);
    // Ends the frame and runs its blocks in order. A block that schedules
    // another hands it to the enclosing event, or runs it at once if none.
    void finish();

private:
    void close();

    SimEventTapAfterEvent* outer_;
    std::vector<std::function<void()>> blocks_;
};

}  // namespace qm
