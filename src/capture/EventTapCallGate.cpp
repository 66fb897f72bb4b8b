#include "capture/EventTapCallGate.h"
#include "base/KeyPath.h"

#include <thread>

namespace qm {

// Both sides write their own flag before reading the other's (sequentially
// consistent), so a call either sees the gate closed or is seen inside by close().

QM_KEY_PATH EventTapCallGate::Pass::Pass(EventTapCallGate& gate) : gate_(gate)
{
    gate_.inside_.fetch_add(1);
    admitted_ = !gate_.closed_.load();
}

QM_KEY_PATH EventTapCallGate::Pass::~Pass()
{
    gate_.inside_.fetch_sub(1);
}

void EventTapCallGate::close()
{
    closed_.store(true);
    while (inside_.load() != 0) {
        std::this_thread::yield();
    }
}

}  // namespace qm
