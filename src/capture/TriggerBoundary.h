#pragma once

#include <optional>
#include <string_view>

namespace qm {

// Whether the character in front of the two slashes allows a trigger. A
// trigger at the start of the text, after whitespace, a letter or a digit is
// one; after ":" (a web address) or a third "/" it is not.
struct TriggerBoundary {
    TriggerBoundary() = delete;

    // `prev` is one user-perceived character, or absent at the start.
    static bool isValid(std::optional<std::u16string_view> prev);
};

}  // namespace qm
