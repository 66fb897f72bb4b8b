#pragma once

#include <string>
#include <string_view>

#include "targets/DurationParseResult.h"
#include "targets/DurationParserError.h"

namespace qm {

// Reads the text of a //timer capture ("25m", "1h 30m tea", "90s stretch"):
// every "<number> <unit>" token adds to the length, and the words around the
// tokens become the label. Units are h/hr/hrs/hour/hours, m/min/mins/minute/
// minutes and s/sec/secs/second/seconds in any letter case.
class DurationParser {
public:
    DurationParser() = delete;

    static constexpr double maxInterval = 86400.0;

    // Throws DurationParserError when the text holds no usable length or the
    // total lies outside one minute to 24 hours.
    static DurationParseResult parse(std::string_view text);

    // Whole seconds, halves away from zero: "45s", "25m", "1m 30s", "2h", "1h 30m".
    // From an hour up, left-over seconds are not shown.
    static std::string formatInterval(double seconds);
};

}  // namespace qm
