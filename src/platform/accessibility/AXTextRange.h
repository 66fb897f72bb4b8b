#pragma once

#include <cstdint>

namespace qm {

// A range of text as Accessibility counts it: UTF-16 code units, not
// user-perceived characters. An empty range is a caret.
struct AXTextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;

    std::int64_t end() const { return location + length; }

    friend bool operator==(const AXTextRange&, const AXTextRange&) = default;
};

}  // namespace qm
