#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qm {

// Bytes from the crypto library's CSPRNG (seeded from the kernel).
class SecureRandom {
public:
    SecureRandom() = delete;

    // `count` random bytes, or nothing when the generator reports a failure;
    // never fewer or weaker bytes than asked for.
    static std::optional<std::string> bytes(std::size_t count);
};

}  // namespace qm
