#include "platform/sim/runtime/SimClock.h"

namespace qm {

SimClock::SimClock(double start) : now_(start) {}

double SimClock::now() const
{
    return now_.load();
}

void SimClock::set(double secondsSince1970)
{
    now_.store(secondsSince1970);
}

void SimClock::advance(double seconds)
{
    double current = now_.load();
    while (!now_.compare_exchange_weak(current, current + seconds)) {
    }
}

}  // namespace qm
