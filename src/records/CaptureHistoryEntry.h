#pragma once

#include <cstdint>
#include <string>

namespace qm {

// One row of the capture history: an attempt, successful or not.
struct CaptureHistoryEntry {
    std::int64_t id = 0;
    std::string target;
    std::string text;
    bool success = false;
    // Seconds since 1970.
    double createdAt = 0;

    bool operator==(const CaptureHistoryEntry&) const = default;
};

}  // namespace qm
