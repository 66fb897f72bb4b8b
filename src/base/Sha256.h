#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qm {

// SHA-256 (FIPS 180-4). Input and digest are bytes in std::string(_view).
class Sha256 {
public:
    Sha256() = delete;

    static constexpr std::size_t kDigestSize = 32;

    // The 32-byte digest. Throws std::runtime_error only if the crypto library
    // itself cannot run (out of memory, broken installation).
    static std::string hash(std::string_view bytes);

    // The digest as 64 lower-case hexadecimal digits, in digest order.
    static std::string hexDigest(std::string_view bytes);
};

}  // namespace qm
