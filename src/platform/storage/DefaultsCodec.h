#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/storage/DefaultsValue.h"

namespace qm {

// The on-disk form of the user defaults: one JSON object from key to value,
// plain JSON wherever JSON keeps the kind apart (true stays a Boolean, 3 an
// integer, 3.0 a double), and a tagged object where it cannot:
//   {"$type": "data", "value": "<Base64>"}
//   {"$type": "double", "value": "nan" | "inf" | "-inf"}
//   {"$type": "dictionary", "value": {...}}   (a dictionary with its own "$type" key)
class DefaultsCodec {
public:
    DefaultsCodec() = delete;

    // Pretty-printed JSON, or nothing (with the reason) when a key or text is not valid UTF-8.
    static std::optional<std::string> encode(const DefaultsValue::Dictionary& values, std::string& error);

    // The values, or nothing (with the reason) for anything but a well-formed
    // document: invalid JSON, a top level that is not an object, null, or a tag
    // that does not decode. One bad value rejects the whole document.
    static std::optional<DefaultsValue::Dictionary> decode(std::string_view text, std::string& error);
};

}  // namespace qm
