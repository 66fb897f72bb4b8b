#pragma once

#include <optional>
#include <string>

#include "suggestions/FieldContext.h"

namespace qm {

// What the detector found out about the focused field.
struct FieldContextResult {
    FieldContext context = FieldContext::unknown;
    // The placeholder, else the title, else the description; never empty.
    std::optional<std::string> label;
    // The frontmost application at the time of detection.
    std::optional<std::string> appBundleId;
    // The lower-case host name of the page a supported browser shows.
    std::optional<std::string> domain;

    friend bool operator==(const FieldContextResult&, const FieldContextResult&) = default;
};

}  // namespace qm
