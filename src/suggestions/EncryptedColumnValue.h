#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The encrypted column value that field memory and the MCP knowledge entries
// store: the standard Base64 text (padded, no line breaks) of an AES-GCM
// combined box, 12-byte nonce || ciphertext || 16-byte tag, sealed under a
// fresh nonce with no associated data. A value of n UTF-8 bytes gives a box of
// 28 + n bytes and 4 * ceil((28 + n) / 3) characters.
//
// Failures are printed ("❌ AES GCM ...") and give nothing, never an exception.
// Stateless; any thread.
class EncryptedColumnValue {
public:
    EncryptedColumnValue() = delete;

    static std::optional<std::string> seal(std::string_view key, std::string_view plaintext);

    // The clear text of an authentic box. Text that is not strict Base64 gives
    // nothing without a message; a box that is too short, altered or sealed
    // under another key prints the reason; a plaintext that is not UTF-8 gives
    // nothing.
    static std::optional<std::string> open(std::string_view key, std::string_view text);
};

}  // namespace qm
