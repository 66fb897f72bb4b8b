#include "base/Json.h"

#include <algorithm>
#include <cmath>

namespace qm::json {

namespace {

// Counts bracket nesting outside string literals. Only called to guard the
// parser, so it need not validate anything else.
bool nestsDeeperThan(std::string_view text, std::size_t limit)
{
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return true;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

const nlohmann::json* memberAt(const nlohmann::json& object, std::string_view key)
{
    if (!object.is_object()) {
        return nullptr;
    }
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace

std::optional<nlohmann::json> parse(std::string_view text)
{
    return parse(text, kMaxDepth, nullptr);
}

std::optional<nlohmann::json> parse(std::string_view text, std::size_t maxDepth, std::string* error)
{
    // JSON has no raw NUL anywhere (inside a string it must be escaped), and
    // the parser takes one for the end of the input: a document followed by a
    // NUL and anything at all would be taken as the document alone.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        if (error) {
            *error = "a NUL byte at offset " + std::to_string(nul);
        }
        return std::nullopt;
    }
    if (nestsDeeperThan(text, maxDepth)) {
        if (error) {
            *error = "nesting deeper than " + std::to_string(maxDepth) + " levels";
        }
        return std::nullopt;
    }
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& failure) {
        if (error) {
            // The reason ends with the text around the fault ("; last read: '...'"),
            // which may be part of a secret; the position says enough.
            std::string reason = failure.what();
            reason.erase(std::min(reason.find("; last read"), reason.size()));
            const auto prefixEnd = reason.find("] ");
            *error = prefixEnd == std::string::npos ? reason : reason.substr(prefixEnd + 2);
        }
    } catch (const nlohmann::json::exception& failure) {
        // A number out of range: its message quotes the number.
        if (error) {
            *error = "invalid value (json error " + std::to_string(failure.id) + ")";
        }
    }
    return std::nullopt;
}

std::string serialize(const nlohmann::json& value)
{
    return value.dump(-1, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

std::optional<std::string> stringAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    if (!member || !member->is_string()) {
        return std::nullopt;
    }
    return member->get<std::string>();
}

std::optional<bool> boolAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    if (!member || !member->is_boolean()) {
        return std::nullopt;
    }
    return member->get<bool>();
}

std::optional<double> numberAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    if (!member || !member->is_number()) {
        return std::nullopt;
    }
    return member->get<double>();
}

std::optional<std::int64_t> integerAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    if (!member) {
        return std::nullopt;
    }
    if (member->is_number_integer() && !member->is_number_unsigned()) {
        return member->get<std::int64_t>();
    }
    if (member->is_number_unsigned()) {
        const auto value = member->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(INT64_MAX)) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    if (member->is_number_float()) {
        const double value = member->get<double>();
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        constexpr double kLimit = 9223372036854775808.0;
        if (std::trunc(value) != value || value < -kLimit || value >= kLimit) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(value);
    }
    return std::nullopt;
}

const nlohmann::json* objectAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    return member && member->is_object() ? member : nullptr;
}

const nlohmann::json* arrayAt(const nlohmann::json& object, std::string_view key)
{
    const nlohmann::json* member = memberAt(object, key);
    return member && member->is_array() ? member : nullptr;
}

std::optional<std::map<std::string, std::string>> stringMapAt(const nlohmann::json& object,
                                                              std::string_view key)
{
    const nlohmann::json* member = objectAt(object, key);
    if (!member) {
        return std::nullopt;
    }
    std::map<std::string, std::string> map;
    for (const auto& [name, value] : member->items()) {
        if (!value.is_string()) {
            return std::nullopt;
        }
        map.emplace(name, value.get<std::string>());
    }
    return map;
}

}  // namespace qm::json
