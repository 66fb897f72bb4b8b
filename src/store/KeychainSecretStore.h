#pragma once

#include "store/SecretStore.h"

namespace qm {

class KeychainHelper;

// The secret store of the program: KeychainHelper's files.
class KeychainSecretStore final : public SecretStore {
public:
    // `helper` must outlive the store.
    explicit KeychainSecretStore(KeychainHelper& helper) : helper_(helper) {}

    LoadResult loadWithStatus(std::string_view service, std::string_view key) override;
    SecStatus save(std::string_view service, std::string_view key, std::string_view data,
                   std::optional<std::string_view> label) override;

private:
    KeychainHelper& helper_;
};

}  // namespace qm
