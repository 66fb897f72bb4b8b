#include "capture/EventTapCallGate.h"

#include <thread>

namespace qm {

void EventTapCallGate::close()
{
    closed_.store(true);
    while (inside_.load() != 0) {
        std::this_thread::yield();
    }
}

}  // namespace qm
