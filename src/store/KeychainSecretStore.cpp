#include "store/KeychainSecretStore.h"

namespace qm {

SecretStore::LoadResult KeychainSecretStore::loadWithStatus(std::string_view service, std::string_view key)
{
    return helper_.loadWithStatus(service, key);
}

SecStatus KeychainSecretStore::save(std::string_view service, std::string_view key, std::string_view data,
                                    std::optional<std::string_view> label)
{
    return helper_.save(service, key, data, label);
}

}  // namespace qm
