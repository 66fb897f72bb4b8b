#pragma once

#include <optional>
#include <string>

namespace qm {

// A capture line split into its title and the date written in it.
struct CaptureDateParseResult {
    std::string title;
    // Seconds since 1970; absent when the line names no date.
    std::optional<double> date;
    // Whether the line named a time of day. When false, the time of day in `date`
    // is only what the recogniser supplied and means nothing.
    bool hasTime = false;

    bool operator==(const CaptureDateParseResult&) const = default;
};

}  // namespace qm
