#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace qm {

// The sealing shared by the whole-graph and the team payloads. A payload is
// salt (16 bytes) || nonce (12) || AES-256-GCM ciphertext || tag (16), with no
// header, under the HKDF-SHA256 key of the passphrase, the salt and the
// payload kind's info bytes. Older peers wrote the box alone under the SHA-256
// of the passphrase; such payloads still open, and are never written.
//
// The key derivation has no work factor on purpose: peers derive the same key.
class GraphPayloadSealer {
public:
    // `count` random bytes, or nothing when the source fails. Draws the salt
    // and the nonce; tests pass fixed bytes for known answers.
    using RandomBytes = std::function<std::optional<std::string>(std::size_t count)>;

    // The errors to report for a failed salt draw and an unusable passphrase.
    struct Errors {
        std::error_code randomSaltFailed;
        std::error_code keyDerivationFailed;
    };

    static constexpr std::size_t kSaltSize = 16;

    GraphPayloadSealer(std::string info, Errors errors, RandomBytes random);

    // The sealed payload of `plaintext`, or nothing with `error` set (an Errors
    // entry, or the cipher's AesGcmError).
    std::optional<std::string> seal(std::string_view plaintext, std::string_view passphrase,
                                    std::error_code& error) const;

    // The plaintext: first as a salted payload; when that cannot open for any
    // reason, as a legacy box, whose failure is the one reported.
    std::optional<std::string> open(std::string_view payload, std::string_view passphrase,
                                    std::error_code& error) const;

    // Nothing when the passphrase is not UTF-8 (it has no UTF-8 form to key).
    std::optional<std::string> deriveSymmetricKey(std::string_view passphrase, std::string_view salt) const;
    static std::optional<std::string> deriveLegacyKey(std::string_view passphrase);

private:
    std::string info_;
    Errors errors_;
    RandomBytes random_;
};

}  // namespace qm
