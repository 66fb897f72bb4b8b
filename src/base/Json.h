#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace qm::json {

// Nesting deeper than this is refused by parse(): nlohmann's parser copes with
// any depth, but copying, comparing and dumping the result recurse and would
// overflow the stack on a hostile document.
inline constexpr std::size_t kMaxDepth = 512;

// The document, or nothing for invalid JSON (including invalid UTF-8, trailing
// content and nesting beyond kMaxDepth). Never throws.
std::optional<nlohmann::json> parse(std::string_view text);

// As parse(), nesting limited to `maxDepth` levels (the top-level container is
// level 1). On failure `error`, when given, receives why: the parser's position
// and reason, never any of the text itself, so it may go to a log.
std::optional<nlohmann::json> parse(std::string_view text, std::size_t maxDepth, std::string* error);

// Compact text. Invalid UTF-8 in strings becomes U+FFFD instead of throwing.
std::string serialize(const nlohmann::json& value);

// Typed reads of one member of an object. A missing member, a member of another
// JSON type, or a `value` that is not an object all read as absent.
std::optional<std::string> stringAt(const nlohmann::json& object, std::string_view key);
std::optional<bool> boolAt(const nlohmann::json& object, std::string_view key);
// Any JSON number (integer or not); Booleans are not numbers.
std::optional<double> numberAt(const nlohmann::json& object, std::string_view key);
// An integer, or a non-integer number with an exact whole value within range (3.0).
std::optional<std::int64_t> integerAt(const nlohmann::json& object, std::string_view key);
// Borrowed from `object`; null when absent or not of that type.
const nlohmann::json* objectAt(const nlohmann::json& object, std::string_view key);
const nlohmann::json* arrayAt(const nlohmann::json& object, std::string_view key);
// An object whose values are all strings; one non-string value makes it absent.
std::optional<std::map<std::string, std::string>> stringMapAt(const nlohmann::json& object,
                                                              std::string_view key);

}  // namespace qm::json
