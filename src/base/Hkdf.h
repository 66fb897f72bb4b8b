#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// HKDF (RFC 5869) over HMAC-SHA256: extract with `salt` (empty means the
// all-zero salt), then expand with `info` to `length` bytes. All inputs and the
// output are bytes in std::string(_view).
class Hkdf {
public:
    Hkdf() = delete;

    static constexpr std::size_t kMaxLength = 255 * 32;

    // Nothing when `length` is 0 or above kMaxLength, or when the library
    // refuses the inputs (it takes at most 1024 bytes of `info`).
    static std::optional<std::string> deriveSha256(std::string_view inputKeyMaterial, std::string_view salt,
                                                   std::string_view info, std::size_t length);
};

}  // namespace qm
