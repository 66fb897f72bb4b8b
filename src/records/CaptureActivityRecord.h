#pragma once

#include <string>

namespace qm {

// One successful capture, as the statistics see it.
struct CaptureActivityRecord {
    std::string target;
    // Seconds since 1970.
    double createdAt = 0;

    bool operator==(const CaptureActivityRecord&) const = default;
};

}  // namespace qm
