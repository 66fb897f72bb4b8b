#pragma once

#include <optional>
#include <string>

namespace qm {

// The figures of the status menu and the History page.
struct CaptureStats {
    int todayCount = 0;
    int weekCount = 0;
    int totalCount = 0;
    // Consecutive days with a capture, ending today (or yesterday while today has none yet).
    int streakDays = 0;
    int bestStreakDays = 0;
    // Seconds since 1970.
    std::optional<double> lastCaptureAt;
    std::optional<std::string> lastTarget;

    bool operator==(const CaptureStats&) const = default;
};

}  // namespace qm
