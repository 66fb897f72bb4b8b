#include "base/SecureRandom.h"

#include <algorithm>

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace qm {

std::optional<std::string> SecureRandom::bytes(std::size_t count)
{
    constexpr std::size_t kMaxChunk = std::size_t{1} << 30;  // RAND_bytes takes an int
    std::string output(count, '\0');
    for (std::size_t offset = 0; offset < count; offset += kMaxChunk) {
        const std::size_t length = std::min(kMaxChunk, count - offset);
        if (RAND_bytes(reinterpret_cast<unsigned char*>(output.data() + offset), static_cast<int>(length)) !=
            1) {
            OPENSSL_cleanse(output.data(), output.size());
            return std::nullopt;
        }
    }
    return output;
}

}  // namespace qm
