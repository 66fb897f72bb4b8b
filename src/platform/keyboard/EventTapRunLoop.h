#pragma once

#include <condition_variable>
#include <mutex>

namespace qm {

// The run loop of the event tap's own thread: run() keeps the thread alive
// until stop() is called from any thread. A stop() that comes before run() is
// kept, so a tap thread told to stop before it got going ends instead of
// waiting for ever.
//
// The stand-in desktop calls tap callbacks on the sending thread (EventTap), so
// nothing runs on this loop; it gives the tap thread its lifetime.
class EventTapRunLoop {
public:
    EventTapRunLoop() = default;
    EventTapRunLoop(const EventTapRunLoop&) = delete;
    EventTapRunLoop& operator=(const EventTapRunLoop&) = delete;

    // Blocks until stop(). Returns at once if stop() was already called.
    void run();
    void stop();
    bool isStopped() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopRequested_ = false;
};

}  // namespace qm
