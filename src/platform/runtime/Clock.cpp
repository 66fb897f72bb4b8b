#include "platform/runtime/Clock.h"

#include <chrono>

namespace qm {

namespace {

class SystemClock final : public Clock {
public:
    double now() const override
    {
        // The one place that reads the machine's wall clock; logic gets it injected.
        const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration<double>(sinceEpoch).count();
    }
};

}  // namespace

Clock& Clock::system()
{
    static SystemClock instance;
    return instance;
}

}  // namespace qm
