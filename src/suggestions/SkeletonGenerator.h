#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/Regex.h"

namespace qm {

// Reduces a typed line, such as a shell command, to its shape: identifiers,
// dates, numbers, paths and addresses become named placeholders, so that lines
// that differ only in those give the same skeleton. White space and separating
// punctuation come through exactly as typed.
//
// Immutable after construction; any thread.
class SkeletonGenerator {
public:
    SkeletonGenerator();

    std::string generateSkeleton(std::string_view line) const;

private:
    struct TokenClass {
        std::optional<Regex> regex;  // absent when its pattern did not compile: never matches
        std::string_view placeholder;
    };

    // The placeholder of the first class that matches the whole token, or the token itself.
    std::u16string classifyAndReplace(std::u16string_view token) const;

    // In the order a token is tested.
    std::array<TokenClass, 10> classes_;
};

}  // namespace qm
