#pragma once

#include "store/SecretStore.h"

namespace qm {

// The secret store of the program: KeychainHelper's files.
class KeychainSecretStore final : public SecretStore {
public:
    LoadResult loadWithStatus(std::string_view service, std::string_view key) override;
    SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                   std::optional<std::string_view> label) override;
};

}  // namespace qm
