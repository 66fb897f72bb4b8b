#pragma once

#include <optional>
#include <string>

namespace qm {

// A timer text read as a length of time, with the words around it as its label.
struct DurationParseResult {
    double interval = 0;               // seconds, 60 to 86400 inclusive
    std::optional<std::string> label;  // absent when only duration tokens were typed
    std::string displayDuration;       // "25m", "1h 30m", "1m 30s"

    bool operator==(const DurationParseResult&) const = default;
};

}  // namespace qm
