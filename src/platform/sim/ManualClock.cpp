#include "platform/sim/ManualClock.h"

namespace qm {

ManualClock::ManualClock(double start) : now_(start) {}

double ManualClock::now() const
{
    return now_.load();
}

void ManualClock::set(double secondsSince1970)
{
    now_.store(secondsSince1970);
}

void ManualClock::advance(double seconds)
{
    double current = now_.load();
    while (!now_.compare_exchange_weak(current, current + seconds)) {
    }
}

}  // namespace qm
