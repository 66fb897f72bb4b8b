#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// A 128-bit universally unique identifier. Its text is the platform's standard
// form: 36 characters, upper-case hexadecimal in groups of 8-4-4-4-12
// ("E621E1F8-C36C-495A-93FC-0C247A3E6E5F").
class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    // A new random (version 4, RFC 4122 variant) identifier from the
    // cryptographic random source.
    static Uuid random();
    // Reads the standard 36-character form in either letter case; nothing for
    // any other text (no braces, no missing dashes, no surrounding blanks).
    static std::optional<Uuid> fromString(std::string_view text);

    explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    const Bytes& bytes() const { return bytes_; }
    // The standard upper-case text.
    std::string string() const;

    auto operator<=>(const Uuid&) const = default;

private:
    Bytes bytes_;
};

}  // namespace qm
