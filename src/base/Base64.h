#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Standard Base64 (RFC 4648 alphabet "A-Z a-z 0-9 + /", '=' padding, no line
// breaks). Bytes travel in std::string / std::string_view here as everywhere in
// the crypto helpers: they are octets, not text.
class Base64 {
public:
    Base64() = delete;

    static std::string encode(std::string_view bytes);

    // Strict: the length must be a multiple of four, padding only at the end, and
    // any character outside the alphabet (white space and line breaks included)
    // makes the whole text invalid. Non-zero bits left over under the padding are
    // ignored, as most decoders do.
    static std::optional<std::string> decode(std::string_view text);
};

}  // namespace qm
