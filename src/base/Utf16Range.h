#pragma once

#include <cstddef>

namespace qm {

// A span of text counted in UTF-16 code units, the unit in which Accessibility
// positions and regular-expression matches are given.
struct Utf16Range {
    std::size_t location = 0;
    std::size_t length = 0;

    std::size_t end() const { return location + length; }
    bool operator==(const Utf16Range&) const = default;
};

}  // namespace qm
