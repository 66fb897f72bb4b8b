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
    class Pass {
    public:
        explicit Pass(EventTapCallGate& gate);
        ~Pass();
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
