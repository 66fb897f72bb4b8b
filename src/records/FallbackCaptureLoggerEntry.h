#pragma once

#include <cstddef>
#include <string>

namespace qm {

// One line of the recovery log, read back (FallbackCaptureLogger::Entry).
struct FallbackCaptureLoggerEntry {
    // The time-stamp text, "#", and the line's zero-based index in the file
    // (blank lines count), so it is unique within one reading.
    std::string id;
    // Seconds since 1970.
    double timestamp = 0;
    std::string target;
    std::string errorDescription;
    std::string text;
    // The whole line, without leading and trailing white space.
    std::string rawLine;

    bool operator==(const FallbackCaptureLoggerEntry&) const = default;
};

}  // namespace qm
