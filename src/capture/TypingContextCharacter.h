#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The first user-perceived character of what a key typed, and what it means
// to the typing context: part of a word (a letter, a number or the straight
// apostrophe), punctuation that ends a word, whitespace, or anything else.
// Judged by the character's first code point, as the platform's character
// properties are.
class TypingContextCharacter {
public:
    enum class Kind { word, punctuation, whitespace, other };

    // Nothing for empty text.
    static std::optional<TypingContextCharacter> first(std::string_view utf8);

    const std::string& text() const { return text_; }
    Kind kind() const { return kind_; }

private:
    TypingContextCharacter(std::string text, Kind kind) : text_(std::move(text)), kind_(kind) {}

    std::string text_;
    Kind kind_;
};

}  // namespace qm
