#pragma once

#include <atomic>

namespace qm {

// Lets calls from other threads (the tap's callback, notification observers)
// reach an object only while it is open, and lets the object's destructor
// wait for the calls already inside. Entering is two atomic operations, cheap
// enough for every key.
class EventTapCallGate {
public:
    // One call inside the gate; false when the gate was already closed.
    // Inline: the tap's callback enters the gate for every key, and a call
    // into another function would be one more place of code it finds cold.
    // Both sides write their own flag before reading the other's
    // (sequentially consistent), so a call either sees the gate closed or is
    // seen inside by close().
    class Pass {
    public:
        explicit Pass(EventTapCallGate& gate) : gate_(gate)
        {
            gate_.inside_.fetch_add(1);
            admitted_ = !gate_.closed_.load();
        }
        ~Pass() { gate_.inside_.fetch_sub(1); }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

        explicit operator bool() const { return admitted_; }

    private:
        EventTapCallGate& gate_;
        bool admitted_;
    };

    // Admits no new call and waits until every call inside has left. Never
    // from inside a call through this gate (it would wait for itself).
    void close();

private:
    std::atomic<int> inside_{0};
    std::atomic<bool> closed_{false};
};

}  // namespace qm
