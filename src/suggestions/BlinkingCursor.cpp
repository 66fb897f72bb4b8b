#include "suggestions/BlinkingCursor.h"

#include <cmath>
#include <numbers>

namespace qm {

double BlinkingCursor::opacity(double elapsed)
{
    if (!(elapsed > 0)) {
        return 1;
    }
    const double period = 2 * halfPeriod;
    const double phase = std::fmod(elapsed, period);
    // Fading out in the first half, back in during the second.
    const double progress = phase < halfPeriod ? phase / halfPeriod : (period - phase) / halfPeriod;
    const double eased = 0.5 - 0.5 * std::cos(std::numbers::pi * progress);
    return 1 - eased;
}

}  // namespace qm
